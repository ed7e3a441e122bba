#include "sound/playlist/sound_list.h"

#include "common/crt_random.h"
#include "common/paths.h"

namespace {

const char* const kMciExtensions[] = {".WAV", ".MID", ".RMI", ".CDA", ".AU",  ".AIF",  ".AIFF",
                                      ".AVI", ".MOV", ".QT",  ".DAT", ".MPG", ".MPEG", ".MPV"};
const char* const kDecoderExtensions[] = {".MP1", ".MP2", ".MP3", ".MPP"};

// From the last "." of the whole name, as the players compare it.
std::string DotExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

template <size_t N> bool InList(const std::string& ext, const char* const (&list)[N]) {
    for (const char* e : list)
        if (EqualsNoCase(ext, e)) return true;
    return false;
}

bool IsPlayable(const std::string& ext, const std::vector<std::string>& playable) {
    for (const std::string& p : playable)
        if (EqualsNoCase(ext, p)) return true;
    return false;
}

} // namespace

SoundEngine PlayerEngineFor(const std::string& name) {
    if (name.size() < 5) return SoundEngine::kUnsupported;
    std::string ext = DotExtension(name);
    if (ext.empty()) return SoundEngine::kUnsupported;
    if (InList(ext, kMciExtensions)) return SoundEngine::kMci;
    if (InList(ext, kDecoderExtensions)) return SoundEngine::kDecoder;
    return SoundEngine::kUnsupported;
}

bool IsSupportedSoundFile(const std::string& name) {
    return PlayerEngineFor(name) != SoundEngine::kUnsupported;
}

bool IsMidiFileName(const std::string& name) {
    std::string ext = DotExtension(name);
    return EqualsNoCase(ext, ".MID") || EqualsNoCase(ext, ".RMI");
}

SoundEngine ListEngineFor(const std::string& name) {
    return IsMidiFileName(name) ? SoundEngine::kMidiStream : PlayerEngineFor(name);
}

int CdTrackNumber(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < 2) return 1;
    // atoi on two characters: leading blanks, an optional sign, then digits.
    std::string two = name.substr(dot - 2, 2);
    size_t i = 0;
    while (i < two.size() && (two[i] == ' ' || (two[i] >= '\t' && two[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < two.size() && (two[i] == '+' || two[i] == '-')) negative = two[i++] == '-';
    int value = 0;
    for (; i < two.size() && two[i] >= '0' && two[i] <= '9'; ++i)
        value = value * 10 + (two[i] - '0');
    return negative ? -value : value;
}

bool CdPresent(const SoundDeviceProbe& probe) {
    return probe.cdOpened && probe.cdStatusAnswered && EqualsNoCase(probe.cdMediaPresent, "true");
}

std::vector<std::string> PlayableExtensions(const SoundDeviceProbe& probe) {
    std::vector<std::string> out;
    if (CdPresent(probe)) out.push_back("CDA");
    if (probe.midiMapperOpened) out.insert(out.end(), {"MID", "RMI"});
    if (probe.waveOutCaps) out.insert(out.end(), {"MP3", "WAV", "MP1", "MP2", "MPP"});
    return out;
}

std::vector<std::string> BuildSaverSoundList(const std::vector<std::string>& albumEntries,
                                             const std::string& albumFile,
                                             const std::vector<std::string>& playableExtensions,
                                             const FolderLister& listFolder, bool shuffle) {
    std::vector<std::string> list;
    std::string albumDir = DirectoryPart(albumFile);
    for (std::string entry : albumEntries) {
        bool relative =
            !entry.empty() && entry[0] == '\\' && (entry.size() < 2 || entry[1] != '\\');
        if (relative) entry = JoinPath(albumDir, entry);
        if (!entry.empty() && entry.back() == '\\') {
            if (!listFolder) continue;
            for (const std::string& ext : playableExtensions)
                for (const std::string& name : listFolder(entry, "*." + ext))
                    list.push_back(entry + name);
            continue;
        }
        std::string ext = ExtensionPart(entry);
        if (!ext.empty() && IsPlayable(ext.substr(1), playableExtensions)) list.push_back(entry);
    }
    if (shuffle) ShuffleList(list);
    return list;
}
