// The core's std::string texts as the window's QStrings.
#pragma once

#include <QString>

#include <string>

namespace kdsp {

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace kdsp
