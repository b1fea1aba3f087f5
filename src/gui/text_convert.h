#pragma once

#include <QString>

#include <string>
#include <string_view>

// The edge between the core's byte strings and Qt's text. Bytes that are valid UTF-8 are shown as
// UTF-8, any other bytes as Latin-1, so every byte shows as some character and nothing is dropped.
namespace swapwright::gui {

QString toDisplayText(std::string_view bytes);
// The bytes of a text the user typed or the program made: UTF-8.
std::string toBytes(const QString& text);
// The bytes of a text edited from `original`: the original bytes when the text reads the same as
// they do (nothing was changed), Latin-1 when the original showed as Latin-1 and every character
// fits it (the untouched bytes stay as they were), otherwise UTF-8.
std::string toEditedBytes(const QString& text, std::string_view original);

} // namespace swapwright::gui
