#pragma once
// Which drawing path the heavy effects take. The literal path issues the GL calls one by one
// exactly as the effects are defined; the default path draws the same pictures with exact
// shortcuts (culling what cannot reach a pixel, vertex arrays, CPU-composed matrices, reusing
// geometry while the fields that shape it are unchanged). `render --literal` and the benchmarks
// select it.

namespace quv {

extern bool LiteralDrawing;

} // namespace quv
