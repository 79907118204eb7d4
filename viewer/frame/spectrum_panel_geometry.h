// The spectrum panel's geometry and channel texts, shared by its model and
// its drawing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "common/text_format.h"
#include "viewer/frame/spectrum_panel.h"

namespace zel::viewer::panel_geometry {

inline bool isOneOf(int mode, std::initializer_list<int> modes) {
  return std::find(modes.begin(), modes.end(), mode) != modes.end();
}

// Channel c owns the 3-pixel column 3c + 11 ... 3c + 13 of the plot. Left of
// the plot the result is below channel 0 or rounds up to it: both lie below
// every drag limit.
constexpr int channelX(int channel) { return 3 * channel + 12; }
constexpr int xChannel(int x) { return (x - 11) / 3; }

constexpr int kLastChannel = kSpectrumChannels - 1;
// Channels 0 ... 17 belong to no window: the windows start at channel 18.
constexpr int kFirstWindowChannel = 18;

constexpr int kReadOutHeight = 16;

// A channel number of a window range or a boundary marker. Stored boundaries
// are 16-bit; those past the last channel keep all their digits, so that a
// broken value is seen as it is stored instead of as its low byte.
inline char* formatChannel(char* out, std::uint32_t channel, bool beyondSpectrum) {
  return beyondSpectrum ? formatDword(out, channel) : formatByte(out, channel);
}

inline bool beyondSpectrum(std::uint32_t boundary) { return boundary > static_cast<std::uint32_t>(kLastChannel); }

}  // namespace zel::viewer::panel_geometry
