#pragma once
// Live reload for `quvplayer --watch`: the demo file and the images in "gfx/" are followed while
// the demo plays, and whatever changed on disk is loaded again once its writer is done with it.
// The music is not touched, so the new Timeline is drawn from the next frame at the same
// position. A reload that fails keeps the last good Timeline; its error stays in the overlay (and
// went to stderr once) until a save loads.
//
//   FileStamp, SettledChange   when a changed file may be read (no window, no clock of its own)
//   DemoWatch                  the files of one playback, their reloads and their overlay

#include <cstdint>
#include <string>

#include "engine/musicaltime.h"

namespace quv {

// What stat says about a file, enough to tell that it changed: a missing file is a stamp of its
// own, and a save by rename gives another inode even where size and time stay.
struct FileStamp {
    bool exists = false;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    uint64_t inode = 0;
    uint64_t device = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file the path names now (following links); allocates nothing.
FileStamp StampFile(const char* path);

// Decides when a changed file may be read: once its stamp differs from the last one taken and has
// stayed the same for the settle time, so that a file still being written (its size or time
// still moving) is never read half-done. Fed once a frame with the stamp and a steady clock.
class SettledChange {
public:
    static constexpr uint64_t DefaultSettleMs = 100;

    // current: the stamp of what is loaded now, which is no change.
    explicit SettledChange(const FileStamp& current, uint64_t settleMs = DefaultSettleMs)
        : known_(current), settleMs_(settleMs)
    {
    }

    // True once for each settled change, at the first call settleMs after the stamp last moved;
    // that stamp is then the one taken, whether or not reading it works.
    bool Update(const FileStamp& seen, uint64_t nowMs);

    // A change is seen but has not settled yet.
    bool Pending() const { return pending_; }

private:
    FileStamp known_;
    FileStamp candidate_;
    uint64_t since_ = 0;
    bool pending_ = false;
    uint64_t settleMs_;
};

// The files of one playback in watch mode. Poll it once a frame with the GL context current.
class DemoWatch {
public:
    // demoName: the demo as the player names it; path: where it lies. The "gfx" folder of the
    // working directory is followed for its TGA files and the slot list.
    DemoWatch(std::string demoName, std::string path, const MusicalTempo& tempo);
    ~DemoWatch();
    DemoWatch(const DemoWatch&) = delete;
    DemoWatch& operator=(const DemoWatch&) = delete;

    // Looks at the files and reloads what has settled. Returns true when the Timeline was
    // replaced. Allocates nothing unless a file changed.
    bool Poll(uint64_t nowMs);

    // The text form's tempo of the last good load (bpm 0 for a compiled demo or none given).
    const MusicalTempo& Tempo() const { return tempo_; }

    // The errors of the last failed reloads (empty once a save loads) and the notice after a
    // good one, as the overlay shows them.
    const std::string& DemoError() const { return demoError_; }
    const std::string& ImageError() const { return imageError_; }

    // Draws the errors, and for a moment after a reload its notice, at the top of the window.
    void DrawOverlay(uint64_t nowMs) const;

private:
    void ReloadDemo(uint64_t nowMs);
    void ReloadImages(uint64_t nowMs);
    bool ImagesChanged();

    std::string name_;
    std::string path_;
    MusicalTempo tempo_;
    SettledChange demo_;
    int inotify_ = -1;
    uint64_t imageEvents_ = 0; // changes seen in "gfx/", the images' stamp
    SettledChange images_;
    std::string demoError_;
    std::string imageError_;
    std::string notice_;
    uint64_t noticeUntil_ = 0;
};

} // namespace quv
