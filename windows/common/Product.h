#pragma once
// The program's name, as captions, boxes and the settings file carry it, and
// the name the computer list gives this computer.
#include <QString>

namespace common {

inline constexpr char kProductName[] = "Vantor";
inline constexpr char kLocalComputer[] = "**LOCAL**";

inline QString ProductName() { return QString::fromLatin1(kProductName); }
inline QString LocalComputer() { return QString::fromLatin1(kLocalComputer); }

}  // namespace common
