// The browser's fixed texts and the two panels above the list: the header
// panel (file, record count, device) and the column headings.
//
// The shell draws each into its panel's off-screen bitmap: the labels and the
// headings once when the panels are created, the header values after every
// successful load (then it shows the panel and invalidates it without
// erasing). Widths and heights are the panels' client sizes.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/surface.h"

namespace zel::browser {

// The main window's title and the caption of every message box.
inline constexpr std::string_view kWindowTitle{"ZelViewer v 1.4 e  15.07.2019"};

// Fills a panel's bitmap with the browser's background brush.
void clearPanel(Surface& surface, int width, int height);

// "File:", "Measurem" (the count stands where the rest of "Measurement:"
// would be) and "Device:".
void drawHeaderLabels(Surface& surface, int width, int height);

// The headings over the list's columns.
void drawColumnHeadings(Surface& surface, int width, int height);

// The loaded file name, the record count (all its digits past 65,535) and the
// low 16 bits of the first record's device number.
void drawHeaderValues(Surface& surface, std::string_view loadedName, std::uint32_t recordCount,
                      std::uint32_t deviceNumber);

}  // namespace zel::browser
