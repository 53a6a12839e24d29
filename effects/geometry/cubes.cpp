#include "effects/geometry/cubes.h"

#include <GL/gl.h>

namespace quv {

namespace {

// Face normals and the signs of each vertex's offsets; every face runs counter-clockwise seen
// from outside.
struct Face {
    float normal[3];
    signed char corner[4][3];
};

constexpr Face Faces[6] = {
    {{0, 0, 1}, {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}}},
    {{0, 0, -1}, {{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}}},
    {{0, 1, 0}, {{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}}},
    {{0, -1, 0}, {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
    {{1, 0, 0}, {{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}}},
    {{-1, 0, 0}, {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}}},
};

void EmitFaces(float x, float y, float z, float hx, float hy, float hz)
{
    glBegin(GL_QUADS);
    for (const Face& face : Faces) {
        glNormal3f(face.normal[0], face.normal[1], face.normal[2]);
        for (const auto& c : face.corner)
            glVertex3f(c[0] < 0 ? x - hx : x + hx, c[1] < 0 ? y - hy : y + hy,
                       c[2] < 0 ? z - hz : z + hz);
    }
    glEnd();
}

} // namespace

void DrawCube(float x, float y, float z, float size)
{
    const float h = size * 0.5f;
    EmitFaces(x, y, z, h, h, h);
}

void DrawBox(float x, float y, float z, float sizeX, float sizeY, float sizeZ, float angleX,
             float angleY, float angleZ)
{
    glPushMatrix();
    glTranslatef(x, y, z);
    glRotatef(angleX, 1, 0, 0);
    glRotatef(angleY, 0, 1, 0);
    glRotatef(angleZ, 0, 0, 1);
    EmitFaces(0, 0, 0, sizeX * 0.5f, sizeY * 0.5f, sizeZ * 0.5f);
    glPopMatrix();
}

} // namespace quv
