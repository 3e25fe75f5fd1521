#pragma once
// Which folder the library serves when the server starts: the one the operator chose,
// else the desktop's music folder when it holds music, else the demo library, so a fresh
// machine still has songs to request. The texts that tell the operator about the demo.

#include <cstddef>
#include <string>

namespace quilla::server::library {

enum class MusicFolderSource {
  kConfigured,    // sys.ini "Library"/"Folder" or --library
  kDesktopMusic,  // the desktop's music folder (XDG_MUSIC_DIR)
  kDemo,          // the demo library
};

struct MusicFolderChoice {
  std::string folder;
  MusicFolderSource source = MusicFolderSource::kConfigured;
};

// `configured` when it is not empty (even if that folder is missing: the operator's
// choice stands, and the log says how many songs it gave); else `desktop_music` when
// FolderHoldsAudio; else `demo` when that folder exists; else `desktop_music` (an empty
// library that fills as music is put there). Blocks on the file system.
MusicFolderChoice ChooseMusicFolder(const std::string& configured, const std::string& desktop_music,
                                    const std::string& demo);
// The same with DesktopMusicFolder() and DemoLibraryFolder().
MusicFolderChoice ChooseMusicFolder(const std::string& configured);

// The desktop's music folder: XDG_MUSIC_DIR of user-dirs.dirs in $XDG_CONFIG_HOME (or
// ~/.config), with $HOME expanded; "$HOME/Music" when the file or the key is missing; ""
// when there is no home or the entry is the home itself (the desktop's way of saying
// "none"). Reads the environment and one small file.
std::string DesktopMusicFolder();

// True when `folder` holds an audio file the library takes (IsAudioFileName), looking
// through its subfolders (hidden ones and folder links skipped) and giving up after
// `max_entries` entries, so a huge folder without music cannot hold up the start. False
// for a missing folder. Blocks on the file system.
bool FolderHoldsAudio(const std::string& folder, std::size_t max_entries = 20000);

// The log line for the choice, without line ends: which folder is served and, for the
// demo, that it is the demo and how to choose a real folder.
std::string MusicFolderLogLine(const MusicFolderChoice& choice);
// The short text the window shows beside the folder while the demo plays ("" otherwise).
std::string MusicFolderWindowNote(const MusicFolderChoice& choice);

}  // namespace quilla::server::library
