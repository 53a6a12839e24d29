#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/_demorecords.h"
#include "tests/support/demobytes.h"

namespace quv {
namespace {

using test::DemoBytes;

// What a walk handed out, as "handle@0", "field1@242", "key@208", and the problems it met.
struct WalkLog {
    std::vector<std::string> events;
    std::vector<DemoProblem> problems;
    bool clean = false;

    std::vector<size_t> ProblemOffsets() const
    {
        std::vector<size_t> offsets;
        for (const DemoProblem& p : problems)
            offsets.push_back(p.offset);
        return offsets;
    }
};

// Every known type has fieldCount fields; nullopt makes every type unknown. A piece size walks
// the bytes as a stream handed out that many at a time; 0 walks them whole.
WalkLog Walk(const DemoBytes& demo, DemoPolicy policy, std::optional<size_t> fieldCount = 2,
             size_t piece = 0)
{
    WalkLog log;
    DemoVisitor visitor;
    visitor.handle = [&](const DemoRecord& r) {
        log.events.push_back("handle@" + std::to_string(r.offset));
        return fieldCount;
    };
    visitor.field = [&](const DemoRecord& r, size_t index) {
        log.events.push_back("field" + std::to_string(index) + "@" + std::to_string(r.offset));
    };
    visitor.key = [&](const DemoRecord& r) {
        log.events.push_back("key@" + std::to_string(r.offset));
    };
    visitor.problem = [&](const DemoProblem& p) { log.problems.push_back(p); };
    if (piece == 0) {
        log.clean =
            WalkDemoRecords(ParseDemoRecords(demo.Bytes(), "demodata.quv"), policy, visitor);
        return log;
    }
    size_t at = 0;
    const auto read = [&](std::span<uint8_t> into) {
        const size_t n = std::min({piece, into.size(), demo.Size() - at});
        std::copy_n(demo.Bytes().begin() + static_cast<long>(at), n, into.begin());
        at += n;
        return n;
    };
    log.clean = WalkDemoStream(read, "demodata.quv", policy, visitor);
    return log;
}

// One problem after another, each of a different rule.
DemoBytes ManyProblems()
{
    DemoBytes d;
    d.Tag(0x0101).Raw(std::vector<uint8_t>(168, 0)); // 0: a next handle with none before it
    d.NextField();                                   // 170: next field before a first one
    d.FirstField();                                  // 172
    d.NextKey(5, 1);                                 // 174: next key before a first one
    d.Key(0, 1, 1, 0, true, 9);                      // 208: the track's last key is linked
    d.NextField();                                   // 242
    d.NextField();                                   // 244: past the second, last field
    d.FirstKey(1, 2);                                // 246: no field selected
    d.Handle("T", 0, 1, "l", 4);                     // 280: 0x0100 again; the last, and linked
    d.FirstField().FirstKey(0, 1);                   // 450, 452
    return d;
}

TEST(WalkDemoRecords, LenientReportsEveryProblemAndKeepsTheRecordsThatFit)
{
    const WalkLog log = Walk(ManyProblems(), DemoPolicy::Lenient);
    EXPECT_FALSE(log.clean);
    EXPECT_EQ(log.ProblemOffsets(), (std::vector<size_t>{0, 170, 174, 208, 244, 246, 280}));
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"handle@0", "field0@172", "key@208", "field1@242",
                                        "handle@280", "field0@450", "key@452"}));
    ASSERT_EQ(log.problems.size(), 7u);
    EXPECT_EQ(log.problems[0].text, "tag 0x0101 (next EffectHandle) comes before any EffectHandle");
    EXPECT_EQ(log.problems[3].text, "the last Keyframe of a track has a non-zero next link");
    EXPECT_EQ(log.problems[4].text, "tag 0x0201 selects a field past the last field of \"\"");
    EXPECT_EQ(log.problems[5].text, "0x0300 (Keyframe) comes before a field was selected");
    EXPECT_EQ(log.problems[6].text, "the last EffectHandle has a non-zero next link");
    for (const DemoProblem& p : log.problems)
        EXPECT_FALSE(p.readError);
}

TEST(WalkDemoRecords, StrictStopsAtTheFirstProblem)
{
    const WalkLog log = Walk(ManyProblems(), DemoPolicy::Strict);
    EXPECT_FALSE(log.clean);
    EXPECT_EQ(log.ProblemOffsets(), (std::vector<size_t>{0}));
    EXPECT_TRUE(log.events.empty()); // the refused handle is not handed out

    // Past the first problem's record nothing more is handed out.
    DemoBytes later;
    later.Handle("T", 0, 1).FirstField().FirstKey(0, 1).NextField().NextField().FirstKey(2, 3);
    const WalkLog stopped = Walk(later, DemoPolicy::Strict);
    EXPECT_EQ(stopped.ProblemOffsets(), (std::vector<size_t>{208}));
    EXPECT_EQ(stopped.events,
              (std::vector<std::string>{"handle@0", "field0@170", "key@172", "field1@206"}));
    EXPECT_EQ(DemoProblemMessage("demodata.quv", stopped.problems[0]),
              "Invalid demo file (demodata.quv, byte 208): tag 0x0201 selects a field past the "
              "last field of \"T\"");
}

TEST(WalkDemoRecords, LenientStopsAfterTheLastProblemItReports)
{
    // A handle and then nothing but misplaced field tags: every one is a problem, and the report
    // stops at its bound with one line saying so.
    DemoBytes flood;
    flood.Handle("T", 0, 1);
    for (size_t i = 0; i < MaxDemoProblems + 500; ++i)
        flood.NextField();
    const WalkLog log = Walk(flood, DemoPolicy::Lenient);
    EXPECT_FALSE(log.clean);
    ASSERT_EQ(log.problems.size(), MaxDemoProblems + 1);
    EXPECT_EQ(log.problems.back().offset, 170 + 2 * MaxDemoProblems);
    EXPECT_EQ(log.problems.back().text, "more than " + std::to_string(MaxDemoProblems) +
                                            " problems; the rest of the file is not checked");
}

TEST(WalkDemoRecords, CleanFilesUnknownTypesAndTruncation)
{
    // A clean file is clean under both policies, and a visitor may leave members empty.
    const DemoBytes clear = test::MinimalClearDemo();
    for (DemoPolicy policy : {DemoPolicy::Strict, DemoPolicy::Lenient}) {
        const WalkLog log = Walk(clear, policy, 4);
        EXPECT_TRUE(log.clean);
        EXPECT_TRUE(log.problems.empty());
        EXPECT_EQ(log.events.size(), 4u);
        EXPECT_TRUE(WalkDemoRecords(ParseDemoRecords(clear.Bytes(), "x"), policy, {}));
    }

    // A type the visitor does not know has as many fields as are selected.
    DemoBytes many;
    many.Handle("Unknown", 0, 1).FirstField();
    for (int f = 1; f < 10; ++f)
        many.NextField();
    EXPECT_TRUE(Walk(many, DemoPolicy::Strict, std::nullopt).clean);
    EXPECT_FALSE(Walk(many, DemoPolicy::Strict, 9).clean);

    // A truncated file: what was read is handed out, the read error comes last, and the links
    // are not judged (the file's end was never seen).
    DemoBytes cut;
    cut.Handle("T", 0, 1, "l", 5).FirstField().Key(0, 1, 1, 0, true, 6).Raw({0x01, 0x03, 0x00});
    for (DemoPolicy policy : {DemoPolicy::Strict, DemoPolicy::Lenient}) {
        const WalkLog log = Walk(cut, policy);
        EXPECT_EQ(log.events, (std::vector<std::string>{"handle@0", "field0@170", "key@172"}));
        ASSERT_EQ(log.problems.size(), 1u);
        EXPECT_TRUE(log.problems[0].readError);
        EXPECT_EQ(log.problems[0].offset, 208u);
        EXPECT_EQ(DemoProblemMessage("demodata.quv", log.problems[0]),
                  "Read beyond end of file (demodata.quv, byte 208: the Keyframe record needs 32 "
                  "bytes, 1 are left)");
    }
}

// A file read in pieces is walked exactly as the whole bytes are, wherever the pieces end: the
// same records, problems and read errors, under both policies.
TEST(WalkDemoStream, WalksAsTheWholeBytesWherePiecesEnd)
{
    DemoBytes unknownTags;
    unknownTags.Raw({0x34, 0x12}).Handle("T", 0, 1).Raw({0xFF, 0xFF, 0x00, 0x00});
    unknownTags.FirstField().FirstKey(0, 1);
    DemoBytes cutInTag = test::MinimalClearDemo();
    cutInTag.Raw({0x01});
    DemoBytes cutInHandle;
    cutInHandle.Handle("T", 0, 1).Tag(0x0101).Raw(std::vector<uint8_t>(100, 0));
    DemoBytes many;
    many.Handle("T", 0, 1).FirstField().FirstKey(0, 1);
    for (int k = 0; k < 3000; ++k) // over 100 KB: more than one buffer
        many.NextKey(k, k);
    many.NextField().FirstKey(0, 2);
    const DemoBytes files[] = {test::MinimalClearDemo(),
                               ManyProblems(),
                               unknownTags,
                               cutInTag,
                               cutInHandle,
                               many,
                               DemoBytes{}};
    for (const DemoBytes& file : files)
        for (DemoPolicy policy : {DemoPolicy::Strict, DemoPolicy::Lenient}) {
            const WalkLog whole = Walk(file, policy, 4);
            for (size_t piece : {size_t{1}, size_t{3}, size_t{170}, size_t{65536}}) {
                SCOPED_TRACE("piece " + std::to_string(piece) + ", " + std::to_string(file.Size()) +
                             " bytes");
                const WalkLog streamed = Walk(file, policy, 4, piece);
                EXPECT_EQ(streamed.events, whole.events);
                EXPECT_EQ(streamed.clean, whole.clean);
                ASSERT_EQ(streamed.problems.size(), whole.problems.size());
                for (size_t i = 0; i < whole.problems.size(); ++i) {
                    EXPECT_EQ(streamed.problems[i].offset, whole.problems[i].offset);
                    EXPECT_EQ(streamed.problems[i].text, whole.problems[i].text);
                    EXPECT_EQ(streamed.problems[i].readError, whole.problems[i].readError);
                }
            }
        }
    // A reader that fails stops the walk with its exception.
    const DemoBytes clear = test::MinimalClearDemo();
    bool first = true;
    const auto failing = [&](std::span<uint8_t> into) -> size_t {
        if (!first)
            throw std::runtime_error("disk gone");
        first = false;
        std::copy_n(clear.Bytes().begin(), 172, into.begin());
        return 172;
    };
    EXPECT_THROW(WalkDemoStream(failing, "x", DemoPolicy::Strict, {}), std::runtime_error);
}

// Each accepted handle costs its type's field list, so their number is limited: the walk stops at
// the first handle past the limit, even when lenient, and says why.
TEST(WalkDemoRecords, StopsAtTooManyHandles)
{
    DemoBytes demo;
    for (size_t i = 0; i <= MaxDemoHandles; ++i)
        demo.Handle("A", 0, 1, "x", 1);
    for (DemoPolicy policy : {DemoPolicy::Strict, DemoPolicy::Lenient}) {
        const WalkLog log = Walk(demo, policy, 0);
        EXPECT_FALSE(log.clean);
        EXPECT_EQ(log.events.size(), MaxDemoHandles);
        ASSERT_EQ(log.problems.size(), 1u);
        EXPECT_EQ(log.problems[0].offset, MaxDemoHandles * (EffectHandleRecordSize + 2));
        EXPECT_EQ(log.problems[0].text,
                  "more than 65536 EffectHandles; the rest of the file is not read");
    }
}

} // namespace
} // namespace quv
