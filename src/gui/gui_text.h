// Texts at the window border: the core's Windows-1251 bytes become QStrings
// through the one codec, and back.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "util/cp1251.h"

namespace gvc::gui {

inline QString Qs(std::string_view cp1251) {
    return QString::fromStdString(Utf8FromCp1251(cp1251));
}

inline std::string Cp(const QString& text) {
    return Cp1251FromUtf8(text.toStdString());
}

}  // namespace gvc::gui
