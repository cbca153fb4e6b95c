#include "settings/BitmapPath.h"

#include "framework/Module.h"

namespace {

constexpr char kDefaultBitmapName[] = "\\Tobrik.bmp";

// Length in bytes of the character that starts at `index`.
std::size_t CharacterLength(const std::string& text, std::size_t index, UINT codePage) {
    const bool leadByte = ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[index])) != FALSE;
    return leadByte && index + 1 < text.size() ? 2 : 1;
}

}  // namespace

std::string CollapseDoubledBackslashes(const std::string& path, UINT codePage) {
    std::string result;
    std::size_t index = 0;
    if (path.compare(0, 2, "\\\\") == 0) {
        result = "\\\\";
        index = 2;
    }
    while (index < path.size()) {
        if (path[index] == '\\' && index + 1 < path.size() && path[index + 1] == '\\') {
            result += '\\';
            index += 2;
            continue;
        }
        const std::size_t length = CharacterLength(path, index, codePage);
        result.append(path, index, length);
        index += length;
    }
    return result;
}

std::string DefaultBitmapPathFor(const std::string& executablePath, UINT codePage) {
    std::size_t directoryEnd = 0;
    for (std::size_t index = 0; index < executablePath.size();
         index += CharacterLength(executablePath, index, codePage)) {
        if (executablePath[index] == '\\') {
            directoryEnd = index;
        }
    }
    return CollapseDoubledBackslashes(executablePath.substr(0, directoryEnd) + kDefaultBitmapName, codePage);
}

std::string DefaultBitmapPath() {
    return DefaultBitmapPathFor(ModuleFileName());
}
