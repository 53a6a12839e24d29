#include "tests/support/alldemo.h"

#include "engine/_effectfield.h"
#include "engine/_effecthandle.h"

namespace quv::test {

DemoBytes EveryEffectDemo(double startMs, double endMs, double ramp)
{
    DemoBytes demo;
    for (EffectClass* c = EffectClassList; c != nullptr; c = c->next) {
        demo.Handle(ClassName(*c), startMs, endMs);
        FieldNode* head = nullptr;
        c->DefineFields(head);
        bool first = true;
        for (FieldNode* n = head; n != nullptr; n = n->next) {
            if (first)
                demo.FirstField();
            else
                demo.NextField();
            const double value = n->field->defaultValue;
            demo.FirstKey(startMs, value, 1);
            demo.NextKey(endMs, value + (first ? ramp : 0.0), 1);
            first = false;
        }
    }
    return demo;
}

} // namespace quv::test
