// Command-line errors and warnings go through the one message handler as print-only messages,
// with the texts users and scripts see on stderr.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/message.h"
#include "engine/musicclock.h"
#include "platform/DemoBass.h"
#include "platform/commands.h"

namespace quv {
namespace {

struct Message {
    std::string line; // "CAPTION: TEXT", as the headless handler prints it
    MessageButtons buttons;
    MessageIcon icon;
};

// Swaps in a handler that records every message while it exists.
class MessageLog {
public:
    MessageLog()
    {
        All().clear();
        previous_ = SetMessageHandler(&Record);
    }
    ~MessageLog() { SetMessageHandler(previous_); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;
    static std::vector<Message>& All()
    {
        static std::vector<Message> all;
        return all;
    }

private:
    static MessageAnswer Record(std::string_view caption, std::string_view text,
                                MessageButtons buttons, MessageIcon icon)
    {
        All().push_back({std::string(caption) + ": " + std::string(text), buttons, icon});
        return MessageAnswer::Ok;
    }
    MessageHandler previous_ = nullptr;
};

int Render(std::vector<std::string> args)
{
    args.insert(args.begin(), "render");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    return RunRender(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLineMessages, RenderUsageErrorsAreErrorsThatOnlyPrint)
{
    MessageLog log;
    EXPECT_EQ(Render({"--bogus"}), 2);
    EXPECT_EQ(Render({"--fps", "0"}), 2);
    EXPECT_EQ(Render({"--time", "abc"}), 2);
    EXPECT_EQ(Render({"--from", "0", "--to", "10", "--out", "plain.png"}), 2);
    EXPECT_EQ(Render({"--size"}), 2);
    const std::vector<Message>& seen = MessageLog::All();
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].line, "quvplayer render: unknown option '--bogus' (see --help)");
    EXPECT_EQ(seen[1].line,
              "quvplayer render: --fps takes a rate above 0 and up to 1000: N, N.M or NUM/DEN, "
              "e.g. 30, 29.97 or 60000/1001 (see --help)");
    EXPECT_EQ(seen[2].line, "quvplayer render: --time takes a number, not 'abc' (see --help)");
    EXPECT_EQ(seen[3].line, "quvplayer render: --out needs a frame number for a sequence, e.g. "
                            "shots/%05d.png (see --help)");
    EXPECT_EQ(seen[4].line, "quvplayer render: --size needs a value (see --help)");
    for (const Message& s : seen) {
        EXPECT_EQ(s.buttons, MessageButtons::None) << s.line;
        EXPECT_EQ(s.icon, MessageIcon::Error) << s.line;
    }
}

TEST(CommandLineMessages, MusicWarningsAreWarningsThatOnlyPrint)
{
    const std::string tone = std::string(QUV_SOURCE_DIR) + "/tests/data/tone_1s.mp3";
    MusicFree(); // no audio device open
    MessageLog log;
    MusicLoad("/nonexistent/plomarind.mp3", 2500.0);
    MusicLoad(tone, 2500.0);
    // Without a device the silent clock runs for the music's length, read by the decoder.
    ASSERT_NE(MusicCurrentBackend(), nullptr);
    EXPECT_NEAR(MusicCurrentBackend()->LengthSeconds(), 1.0, 0.03);
    MusicFree();
    const std::vector<Message>& seen = MessageLog::All();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].line, "quvplayer: warning: cannot open the music file "
                            "/nonexistent/plomarind.mp3; playing without sound");
    EXPECT_EQ(seen[1].line, "quvplayer: warning: no audio device; playing without sound");
    for (const Message& s : seen) {
        EXPECT_EQ(s.buttons, MessageButtons::None) << s.line;
        EXPECT_EQ(s.icon, MessageIcon::Exclamation) << s.line;
    }
}

TEST(CommandLineMessages, HeadlessHandlerPrintsTheLineUnconverted)
{
    // Paths and arguments are the terminal's UTF-8; a box's text would be read as
    // Windows-1252 and converted.
    testing::internal::CaptureStderr();
    PrintMessage("quvplayer render", "frames written to r\xC3\xA9sultat/%05d.png",
                 MessageIcon::Information);
    PrintMessage("quvplayer", "warning: no audio device; playing without sound",
                 MessageIcon::Exclamation);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "quvplayer render: frames written to r\xC3\xA9sultat/%05d.png\n"
              "quvplayer: warning: no audio device; playing without sound\n");
}

} // namespace
} // namespace quv
