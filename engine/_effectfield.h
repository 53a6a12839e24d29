#pragma once
// Animatable parameters of an effect instance. Every field names the module-level double that
// receives its evaluated value and carries the keyframe track read from the demo file.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quv {

struct Keyframe;

// Where the last evaluation of a track stopped, so that the next one at a later time can resume
// there instead of walking from the head. Only an optimisation: it never changes a result.
struct TrackCursor {
    const Keyframe* head = nullptr;      // the track the cursor belongs to
    const Keyframe* node = nullptr;      // segment start where the last walk stopped
    double prefixEnd = 0.0;              // largest segment end passed before node
    bool examined = false;               // a hold, linear or curve segment was passed before node
    const Keyframe* curveNode = nullptr; // curve segment whose sampling position is kept
    double curveS = 0.0;                 // parameter of the interval that matched last
    double curveX = 0.0, curveY = 0.0;   // the sample that starts that interval
    double curvePrefixEnd = 0.0;         // largest interval end passed before it
};

struct EffectField {
    std::array<char, 64> name{}; // NUL-terminated within 64 unless all 64 are used
    double lowerBound = 0.0;
    double defaultValue = 0.0;
    double upperBound = 0.0;
    double* target = nullptr;
    Keyframe* track = nullptr;
    mutable TrackCursor cursor;
    // Authoring data that travels with the field; the player never reads it.
    uint32_t reserved = 0;
    double reservedScale1 = 1.0;
    double reservedScale2 = 1.0;
    double reservedOffset1 = 0.0;
    double reservedOffset2 = 0.0;
};

struct FieldNode {
    EffectField* field = nullptr;
    FieldNode* next = nullptr;
};

// Makes a field with an empty track; the name is cut to 64 bytes. Fields and nodes live until
// FreeEffectFields (which FreeTimeline calls).
EffectField* NewEffectField(std::string_view name, double* target, double lower, double def,
                            double upper);
FieldNode* NewFieldNode(EffectField* field);
void FreeEffectFields();

// The field's name as text: the bytes up to the first NUL, at most 64.
std::string FieldName(const EffectField& field);

// Builds a field list in DefineFields order and stores its head through the reference it was
// made with (whatever the reference held before is overwritten).
class FieldListBuilder {
public:
    explicit FieldListBuilder(FieldNode*& head) : tail_(&head) { head = nullptr; }
    FieldListBuilder& Add(std::string_view name, double* target, double lower, double def,
                          double upper);

private:
    FieldNode** tail_;
};

} // namespace quv
