#include "platform/demowatch.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "effects/sprites/demoimages.h"
#include "engine/_DemoParameters.h"
#include "engine/_loadsave.h"
#include "engine/files.h"
#include "engine/message.h"
#include "platform/demosource.h"
#include "platform/pixelfont.h"

namespace quv {

namespace {

// How long the overlay shows that a reload worked.
constexpr uint64_t NoticeMs = 2000;

// The messages that the image loaders show as boxes while a reload runs: collected, so that
// watch mode never stops on a box, and reported in the overlay and on stderr instead.
std::vector<std::string>* collected = nullptr;

MessageAnswer CollectMessage(std::string_view caption, std::string_view text,
                             MessageButtons buttons, MessageIcon icon)
{
    if (buttons == MessageButtons::None)
        return PrintMessageToStderr(caption, text, buttons, icon);
    collected->push_back(Cp1252ToUtf8(caption) + ": " + Cp1252ToUtf8(text));
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x | 0x20) == (y | 0x20);
           });
}

// A file the images are loaded from: the slot list or a TGA image (names as the folder has
// them; the loaders match them without regard to case).
bool IsImageFile(std::string_view name)
{
    return EqualsNoCase(name, "gfxslots") ||
           (name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), ".tga"));
}

} // namespace

FileStamp StampFile(const char* path)
{
    struct stat info {};
    if (::stat(path, &info) != 0)
        return {};
    FileStamp stamp;
    stamp.exists = true;
    stamp.size = static_cast<uint64_t>(info.st_size);
    stamp.modifiedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                       static_cast<int64_t>(info.st_mtim.tv_nsec);
    stamp.inode = static_cast<uint64_t>(info.st_ino);
    stamp.device = static_cast<uint64_t>(info.st_dev);
    return stamp;
}

bool SettledChange::Update(const FileStamp& seen, uint64_t nowMs)
{
    if (seen == known_) {
        pending_ = false; // changed back before it settled: nothing to read
        return false;
    }
    if (!pending_ || !(seen == candidate_)) {
        candidate_ = seen;
        since_ = nowMs;
        pending_ = true;
        return false;
    }
    if (nowMs < since_ || nowMs - since_ < settleMs_)
        return false;
    known_ = seen;
    pending_ = false;
    return true;
}

DemoWatch::DemoWatch(std::string demoName, std::string path, const MusicalTempo& tempo)
    : name_(std::move(demoName)), path_(std::move(path)), tempo_(tempo),
      demo_(StampFile(path_.c_str())), images_(FileStamp{})
{
    // The folder is followed, not the files: an editor saves by writing a new file and renaming
    // it over the old one.
    const std::optional<std::string> gfx = ResolveDemoPath("gfx");
    if (!gfx)
        return;
    inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0)
        return;
    if (inotify_add_watch(inotify_, gfx->c_str(),
                          IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                              IN_MOVED_TO) < 0) {
        PrintMessage("quvplayer",
                     "warning: cannot follow " + *gfx + ": " + std::strerror(errno) +
                         "; images are not reloaded",
                     MessageIcon::Exclamation);
        ::close(inotify_);
        inotify_ = -1;
    }
}

DemoWatch::~DemoWatch()
{
    if (inotify_ >= 0)
        ::close(inotify_);
}

bool DemoWatch::ImagesChanged()
{
    bool changed = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(inotify_, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            // The name is NUL-padded to its length.
            if (event->len > 0 && IsImageFile(std::string_view(event->name)))
                changed = true;
            if (event->mask & IN_Q_OVERFLOW)
                changed = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return changed;
}

bool DemoWatch::Poll(uint64_t nowMs)
{
    if (inotify_ >= 0) {
        if (ImagesChanged())
            ++imageEvents_;
        // The images settle when no event has come for the settle time.
        FileStamp events;
        events.exists = true;
        events.size = imageEvents_;
        if (imageEvents_ != 0 && images_.Update(events, nowMs))
            ReloadImages(nowMs);
    }
    if (!demo_.Update(StampFile(path_.c_str()), nowMs))
        return false;
    ReloadDemo(nowMs);
    return demoError_.empty();
}

void DemoWatch::ReloadDemo(uint64_t nowMs)
{
    try {
        DemoSource source = ReadLoadableDemo(path_, name_);
        LoadDemoBytes(source.bytes, name_);
        tempo_ = source.tempo;
        demoError_.clear();
        notice_ = "reloaded " + name_;
        noticeUntil_ = nowMs + NoticeMs;
        PrintMessage("quvplayer", notice_, MessageIcon::Information);
    } catch (const std::exception& e) {
        // The checks ran before the Timeline was touched: the last good one plays on.
        demoError_ = e.what();
        noticeUntil_ = 0; // an earlier "reloaded" would read as if this save had loaded
        PrintMessage("quvplayer", demoError_ + " (still playing the last good load)");
    }
}

void DemoWatch::ReloadImages(uint64_t nowMs)
{
    std::vector<std::string> messages;
    collected = &messages;
    const MessageHandler previous = SetMessageHandler(&CollectMessage);
    ReloadDemoImages();
    SetMessageHandler(previous);
    collected = nullptr;
    imageError_.clear();
    if (!messages.empty())
        noticeUntil_ = 0;
    for (const std::string& m : messages) {
        PrintMessage("quvplayer", m);
        imageError_ += (imageError_.empty() ? "" : "\n") + m;
    }
    if (messages.empty()) {
        notice_ = "reloaded gfx/";
        noticeUntil_ = nowMs + NoticeMs;
        PrintMessage("quvplayer", notice_, MessageIcon::Information);
    }
}

void DemoWatch::DrawOverlay(uint64_t nowMs) const
{
    const int scale = DemoParameters.ScreenWidth >= 960 ? 2 : 1;
    const int advance = (GlyphWidth + 1) * scale;
    const size_t columns =
        static_cast<size_t>(std::max(8, (DemoParameters.ScreenWidth - 16) / advance));
    // Below the info line, which takes the top at up to three times the font's size.
    int y = DemoParameters.ScreenHeight - 16 - GlyphHeight * 3 - GlyphHeight * scale;
    const int lineStep = (GlyphHeight + 3) * scale;
    // Each line of the text in pieces of the window's width, top down; string views only, so
    // that a frame allocates nothing.
    const auto draw = [&](const std::string& text, float r, float g, float b) {
        std::string_view rest = text;
        while (!rest.empty() && y > 0) {
            const size_t end = rest.find('\n');
            std::string_view line = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            do {
                DrawOverlayText(line.substr(0, columns), 8, y, scale, r, g, b);
                line = line.size() > columns ? line.substr(columns) : std::string_view();
                y -= lineStep;
            } while (!line.empty() && y > 0);
        }
    };
    if (!demoError_.empty())
        draw(demoError_, 1.0f, 0.35f, 0.35f);
    if (!imageError_.empty())
        draw(imageError_, 1.0f, 0.35f, 0.35f);
    if (nowMs < noticeUntil_)
        draw(notice_, 1.0f, 1.0f, 1.0f);
}

} // namespace quv
