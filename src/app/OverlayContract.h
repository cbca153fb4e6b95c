// What the two roles of the executable share besides the registry: the command-line token that selects
// the overlay role, and the title by which the configuration process finds the overlay window.
#pragma once

#include <string>

inline constexpr char kOverlayToken[] = ":LaunchTobrikCursor";

// True when the token occurs anywhere in the command-line tail, in this letter case.
inline bool HasOverlayToken(std::string commandTail) {
    constexpr char kWhiteSpace[] = " \t\r\n\v\f";
    commandTail.erase(commandTail.find_last_not_of(kWhiteSpace) + 1);
    commandTail.erase(0, commandTail.find_first_not_of(kWhiteSpace));
    return commandTail.find(kOverlayToken) != std::string::npos;
}

// The command line of an overlay process: the executable's path in quotes, so that a path with blanks
// names exactly that program, then a blank and the token.
inline std::string OverlayCommandLine(const std::string& executablePath) {
    return "\"" + executablePath + "\" " + kOverlayToken;
}

// The application title twice with one blank between: no other window of the program carries it.
inline std::string OverlayWindowTitle(const std::string& applicationTitle) {
    return applicationTitle + " " + applicationTitle;
}
