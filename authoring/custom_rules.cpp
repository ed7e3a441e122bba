#include "authoring/custom_rules.h"

const std::vector<int>& CustomPageBoxes() {
    static const std::vector<int> boxes = {kIdShowSprites,   kIdEnableSlideshow, kIdAlphabetize,
                                           kIdRandomize,     kIdPlayMusic,       kIdDisplayKeyboard,
                                           kIdShuffleSounds, kIdTerminateOnInput};
    return boxes;
}

int CustomBoxToClear(int clicked, bool nowSet) {
    if (!nowSet) return 0;
    if (clicked == kIdAlphabetize) return kIdRandomize;
    if (clicked == kIdRandomize) return kIdAlphabetize;
    return 0;
}

std::string NameVersionLine(const std::string& name, const std::string& version) {
    return name + " " + version;
}

std::string CopyrightLine(uint32_t year, const std::string& company) {
    return "Copyright \xA9 " + std::to_string(year) + " " + company;
}
