// The program's own texts are Russian and drawn in "MS Sans Serif" in its Russian character
// set. A Western system may have that face's Cyrillic bitmap font in its fonts folder without
// offering it (Wine loads only the bitmap fonts of the system's code page): it is then loaded
// for this process alone, so the texts draw as on a Russian system. Where no such file exists,
// the system's own substitute for the face draws them.
#pragma once

namespace qb::ui {

// The face of the window's and the prompt's texts.
inline constexpr wchar_t kSansSerifFace[] = L"MS Sans Serif";

// Once per process; later calls do nothing.
void OfferRussianSansSerif();

}  // namespace qb::ui
