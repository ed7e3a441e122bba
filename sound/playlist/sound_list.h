// Which sound files the players take, and the saver's sound list: the rules
// that depend only on names and on what the device probe found, kept free of
// Windows so the saver and the native tests share them.
#pragma once

#include <functional>
#include <string>
#include <vector>

enum class SoundEngine {
    kUnsupported,
    kMci,        // the Media Control Interface: wave, MIDI, CD audio, AU/AIFF, video sound tracks
    kDecoder,    // the built-in MPEG audio decoder with wave output
    kMidiStream, // the MIDI stream player (saver sound list only)
};

// CSoundPlayer::IsSupported: the name has at least 5 characters and its
// extension (from the last ".", any letter case) is in one of the lists
//   MCI:     .WAV .MID .RMI .CDA .AU .AIF .AIFF .AVI .MOV .QT .DAT .MPG .MPEG .MPV
//   decoder: .MP1 .MP2 .MP3 .MPP
bool IsSupportedSoundFile(const std::string& name);
// Engine that CSoundPlayer opens a file with: kMci, kDecoder or kUnsupported.
SoundEngine PlayerEngineFor(const std::string& name);
// Engine for an entry of the saver's sound list: MIDI files go to the stream
// player whatever their length, everything else as PlayerEngineFor.
SoundEngine ListEngineFor(const std::string& name);
// ".MID" or ".RMI" in any letter case (the extension, which is also the last
// four characters).
bool IsMidiFileName(const std::string& name);
// CD track files ("Track05.cda"): the two characters before the last "." read
// as a decimal number the way the C library's atoi reads them; 1 when the "."
// stands at index 0 or 1 (or there is none).
int CdTrackNumber(const std::string& name);

// What the saver's start-up probe of the devices found.
struct SoundDeviceProbe {
    bool midiMapperOpened = false; // midiOutOpen on MIDI_MAPPER succeeded (closed again at once)
    bool waveOutCaps = false;      // waveOutGetDevCaps on device -1 succeeded
    bool cdOpened = false;         // kCdOpenCommand succeeded
    bool cdStatusAnswered = false; // kCdStatusCommand succeeded
    std::string cdMediaPresent;    // its answer
};
constexpr const char* kCdOpenCommand = "open cdaudio alias sounder wait";
constexpr const char* kCdStatusCommand = "status sounder media present wait";
constexpr const char* kCdCloseCommand = "close sounder wait";

// A CD is present when the status command answered "true" in any letter case.
bool CdPresent(const SoundDeviceProbe& probe);
// Extensions (without the dot) that the saver plays, in this order: "CDA" with
// a CD; "MID", "RMI" with MIDI output; "MP3", "WAV", "MP1", "MP2", "MPP" with
// wave output.
std::vector<std::string> PlayableExtensions(const SoundDeviceProbe& probe);

// Names (not paths) of the files in `folder` (ending with a backslash) that
// match `pattern` ("*." + extension), in the order the file system returns
// them, as FindFirstFile/FindNextFile would; folders are left out.
using FolderLister =
    std::function<std::vector<std::string>(const std::string& folder, const std::string& pattern)>;

// The saver's sound list from the album's sound entries:
//  - an entry that begins with one backslash is relative to the album file's
//    folder (two backslashes begin a network path, which is left alone);
//  - an entry that ends with a backslash is a folder: its files matching
//    "*." + each playable extension are added, extension by extension;
//  - any other entry is added when its extension is playable;
//  - with `shuffle` the list is then shuffled with the C library generator
//    (ShuffleList).
std::vector<std::string> BuildSaverSoundList(const std::vector<std::string>& albumEntries,
                                             const std::string& albumFile,
                                             const std::vector<std::string>& playableExtensions,
                                             const FolderLister& listFolder, bool shuffle);
