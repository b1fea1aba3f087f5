#include "core/filelist/extension_families.h"

#include "core/base/files.h"
#include "core/base/text.h"
#include "core/settings/app_settings.h"

#include <algorithm>

namespace swapwright {

namespace {

// The pieces of a text between runs of delimiters.
std::vector<std::string_view> tokens(std::string_view s, std::string_view delimiters) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < s.size()) {
        pos = s.find_first_not_of(delimiters, pos);
        if (pos == std::string_view::npos)
            break;
        const auto end = std::min(s.find_first_of(delimiters, pos), s.size());
        out.push_back(s.substr(pos, end - pos));
        pos = end;
    }
    return out;
}

} // namespace

TFamilyText SplitFamilyText(std::string_view s) {
    constexpr std::string_view kTrim = " \t\n\r^";
    TFamilyText f;
    const auto pieces = tokens(s, "^");
    if (!pieces.empty())
        f.Extensions = text::trim(pieces[0], kTrim);
    if (pieces.size() > 1)
        f.Flag = text::trim(pieces[1], kTrim);
    f.InUse = text::isTrueText(f.Flag);
    return f;
}

std::vector<std::string> SplitExtensionList(std::string_view list) {
    std::vector<std::string> out;
    for (const auto piece : tokens(list, ",;")) {
        const auto ext = text::trim(piece, "*.,; ");
        if (!ext.empty())
            out.emplace_back(ext);
    }
    return out;
}

std::vector<std::string> ReadFamilyTexts(TWqPersistentData& store) {
    std::vector<std::string> texts;
    store.ForEachValueName("\\" + std::string(kFileExtensionFamiliesKey),
                           [&](const std::string& name) { texts.push_back(store.ReadString(name, "")); });
    return texts;
}

std::vector<TFamilyItem> ReadFamilyItems(TWqPersistentData& store) {
    std::vector<TFamilyItem> items;
    for (const auto& t : ReadFamilyTexts(store)) {
        if (t.empty())
            continue;
        TFamilyText f = SplitFamilyText(t);
        items.push_back({std::move(f.Extensions), f.InUse});
    }
    return items;
}

void WriteFamilyItems(TWqPersistentData& store, const std::vector<TFamilyItem>& items) {
    const std::string key = "\\" + std::string(kFileExtensionFamiliesKey);
    TWqUpdateScope scope(store);
    store.DeleteKey(key);
    if (!items.empty()) {
        store.OpenKey(key, true);
        for (std::size_t i = 0; i < items.size(); ++i)
            store.WriteString(text::format("File Extension Family %d", static_cast<int>(i)),
                              text::format("%s ^ %s", items[i].Extensions, items[i].InUse ? "True" : "False"));
    }
    scope.commit();
}

std::vector<TExtensionFamily> BuildActiveFamilies(TWqPersistentData& store) {
    std::vector<TExtensionFamily> families;
    for (const auto& t : ReadFamilyTexts(store)) {
        const auto f = SplitFamilyText(t);
        if (!f.InUse)
            continue;
        TExtensionFamily family{SplitExtensionList(f.Extensions)};
        if (!family.Extensions.empty())
            families.push_back(std::move(family));
    }
    return families;
}

std::string ExtensionOf(std::string_view fileName) {
    const auto dot = fileName.rfind('.');
    const auto separator = fileName.rfind(files::kPathSeparator);
    if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator))
        return {};
    return std::string(text::trim(fileName.substr(dot + 1), " ."));
}

bool HasExtension(std::string_view fileName, std::string_view extension) noexcept {
    try {
        return text::equalsIgnoreCase(ExtensionOf(fileName), extension);
    } catch (...) {
        return false;
    }
}

std::string ChangeExtension(std::string_view fileName, std::string_view extension) {
    const auto dot = fileName.rfind('.');
    std::string out(dot == std::string_view::npos ? fileName : fileName.substr(0, dot));
    out += '.';
    out += extension;
    return out;
}

const TExtensionFamily* FindFamily(const std::vector<TExtensionFamily>& families, std::string_view extension) noexcept {
    for (const auto& family : families)
        for (const auto& e : family.Extensions)
            if (text::equalsIgnoreCase(e, extension))
                return &family;
    return nullptr;
}

} // namespace swapwright
