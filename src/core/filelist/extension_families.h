#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace swapwright {

class TWqPersistentData;

// One extension family: extensions without dot, in their stored order ("*.pas;*.dfm" is pas, dfm).
struct TExtensionFamily {
    std::vector<std::string> Extensions;
};

// A stored family text "extension list ^ flag", split at carets (runs of carets count as one,
// leading ones are skipped), both pieces trimmed of blanks, tabs, line breaks and carets.
struct TFamilyText {
    std::string Extensions;
    std::string Flag;
    bool InUse = false; // the flag's first character is one of "tT1wWyYsSqQ"
};
TFamilyText SplitFamilyText(std::string_view text);

// The extension list split at commas and semicolons (runs count as one), each piece trimmed of
// '*', '.', ',', ';' and blanks; empty pieces are left out.
std::vector<std::string> SplitExtensionList(std::string_view list);

// The stored family texts of the key "File Extension Families", in file order, unchanged.
std::vector<std::string> ReadFamilyTexts(TWqPersistentData& store);

// One family as the settings dialog lists it: the extension list and its check box.
struct TFamilyItem {
    std::string Extensions;
    bool InUse = false;
    friend bool operator==(const TFamilyItem&, const TFamilyItem&) = default;
};
// The stored families for the dialog, in file order; empty texts are passed over.
std::vector<TFamilyItem> ReadFamilyItems(TWqPersistentData& store);
// Replaces the key with the items, each written as "%s ^ %s" (the list, "True" or "False") under
// "File Extension Family %d" in list order; items with an empty list are written too. One write.
void WriteFamilyItems(TWqPersistentData& store, const std::vector<TFamilyItem>& items);

// The families in use, in stored order; families without any extension are left out.
std::vector<TExtensionFamily> BuildActiveFamilies(TWqPersistentData& store);

// The extension of a name: the text after its last dot when that dot lies in the last path
// component, trimmed of blanks and dots; empty when there is none. Letter case as in the name.
std::string ExtensionOf(std::string_view fileName);
bool HasExtension(std::string_view fileName, std::string_view extension) noexcept;
// The name with the text after its last dot replaced.
std::string ChangeExtension(std::string_view fileName, std::string_view extension);
// The first family that holds the extension (without regard to letter case), or none.
const TExtensionFamily* FindFamily(const std::vector<TExtensionFamily>& families, std::string_view extension) noexcept;

} // namespace swapwright
