// Inside the font module (not for callers): the symbol fonts' character codes as Unicode symbols.
#pragma once

namespace platform::fontsdetail {

enum class SymbolSet { None, Wingdings, Webdings };

// The set a wanted face name stands for ("Wingdings", "Webdings", with or without " Regular").
[[nodiscard]] SymbolSet symbolSetOf(char const* faceName);
// The Unicode symbol drawn for a code of the set; codes without a symbol are returned unchanged.
[[nodiscard]] char32_t symbolCode(SymbolSet, char32_t code);

}  // namespace platform::fontsdetail
