// Draws the programs' icons and writes them as .ico files (32 x 32 and
// 16 x 16, 32-bit colour with alpha), so no binary image lives in the sources.
//   icongen OUTPUT_DIRECTORY
//   icongen --pam SIZE FILE    the browser's icon at any size, as a PAM picture
//                              (RGB and alpha) for the Linux desktop's themes
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Rgba {
  std::uint8_t r, g, b, a;
};

// A shape answers, for a point of the unit square, its colour (alpha 0: none).
using Shape = std::function<Rgba(double x, double y)>;

constexpr Rgba kNone{0, 0, 0, 0};

bool inCircle(double x, double y, double cx, double cy, double r) {
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
}

double distanceToSegment(double x, double y, double ax, double ay, double bx, double by) {
  const double dx = bx - ax, dy = by - ay;
  double t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy);
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  const double px = ax + t * dx - x, py = ay + t * dy - y;
  return std::sqrt(px * px + py * py);
}

// The instrument's emblem: the radiation trefoil on yellow.
Rgba emblem(double x, double y) {
  if (!inCircle(x, y, 0.5, 0.5, 0.48)) return kNone;
  if (!inCircle(x, y, 0.5, 0.5, 0.44)) return {40, 40, 40, 255};
  const double dx = x - 0.5, dy = y - 0.5;
  const double r = std::sqrt(dx * dx + dy * dy);
  if (r < 0.07) return {20, 20, 20, 255};
  const double angle = std::atan2(dy, dx) * 180.0 / 3.14159265358979;
  const double sector = std::fmod(angle + 360.0 + 90.0, 120.0);
  if (r > 0.12 && r < 0.38 && sector < 60.0) return {20, 20, 20, 255};
  return {250, 210, 30, 255};
}

Rgba exitIcon(double x, double y) {
  if (x < 0.08 || x > 0.92 || y < 0.08 || y > 0.92) return kNone;
  const double d = std::min(distanceToSegment(x, y, 0.28, 0.28, 0.72, 0.72), distanceToSegment(x, y, 0.72, 0.28, 0.28, 0.72));
  if (d < 0.07) return {255, 255, 255, 255};
  return {200, 30, 30, 255};
}

// A spectrum under a magnifier.
Rgba lookIcon(double x, double y) {
  if (inCircle(x, y, 0.42, 0.42, 0.30) && !inCircle(x, y, 0.42, 0.42, 0.24)) return {30, 30, 30, 255};
  if (distanceToSegment(x, y, 0.62, 0.62, 0.90, 0.90) < 0.06) return {30, 30, 30, 255};
  if (inCircle(x, y, 0.42, 0.42, 0.24)) {
    const int column = static_cast<int>((x - 0.18) / 0.08);
    const double height = 0.10 + 0.28 * std::exp(-0.5 * (column - 3) * (column - 3) / 1.5);
    if (y > 0.62 - height && std::fmod(x - 0.18, 0.08) < 0.05) return {0, 0, 255, 255};
    return {255, 255, 216, 255};
  }
  return kNone;
}

// A sheet with a grid.
Rgba excelIcon(double x, double y) {
  if (x < 0.12 || x > 0.88 || y < 0.08 || y > 0.92) return kNone;
  if (y < 0.26) return {30, 120, 50, 255};
  const bool line = std::fmod(x - 0.12, 0.19) < 0.04 || std::fmod(y - 0.26, 0.165) < 0.04;
  return line ? Rgba{30, 120, 50, 255} : Rgba{240, 250, 240, 255};
}

Rgba arrow(double x, double y, bool up) {
  const double t = up ? y : 1.0 - y;  // 0 at the arrow's tip side
  if (t < 0.15 || t > 0.85) return kNone;
  const double half = (t - 0.15) * 0.6;  // widening from the tip
  if (t < 0.55 && std::fabs(x - 0.5) <= half) return {0, 0, 200, 255};
  if (t >= 0.55 && std::fabs(x - 0.5) <= 0.12) return {0, 0, 200, 255};
  return kNone;
}

std::vector<std::uint8_t> renderBgra(const Shape& shape, int size) {
  // Four by four samples per pixel; alpha is the share of covered samples.
  std::vector<std::uint8_t> out(static_cast<std::size_t>(size) * size * 4);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) {
          const Rgba c = shape((px + (sx + 0.5) / 4) / size, (py + (sy + 0.5) / 4) / size);
          const double w = c.a / 255.0;
          r += c.r * w;
          g += c.g * w;
          b += c.b * w;
          a += w;
        }
      // Rows bottom-up, as a bitmap stores them.
      std::uint8_t* p = &out[(static_cast<std::size_t>(size - 1 - py) * size + px) * 4];
      p[0] = static_cast<std::uint8_t>(a > 0 ? b / a : 0);
      p[1] = static_cast<std::uint8_t>(a > 0 ? g / a : 0);
      p[2] = static_cast<std::uint8_t>(a > 0 ? r / a : 0);
      p[3] = static_cast<std::uint8_t>(a / 16.0 * 255.0 + 0.5);
    }
  }
  return out;
}

void put16(std::vector<std::uint8_t>& v, unsigned x) {
  v.push_back(static_cast<std::uint8_t>(x));
  v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void put32(std::vector<std::uint8_t>& v, unsigned x) {
  put16(v, x & 0xFFFF);
  put16(v, x >> 16);
}

std::vector<std::uint8_t> iconFile(const Shape& shape) {
  const int sizes[] = {32, 16};
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : sizes) {
    std::vector<std::uint8_t> img;
    put32(img, 40);
    put32(img, static_cast<unsigned>(size));
    put32(img, static_cast<unsigned>(size * 2));  // colour rows and mask rows
    put16(img, 1);
    put16(img, 32);
    for (int i = 0; i < 6; ++i) put32(img, 0);
    const std::vector<std::uint8_t> pixels = renderBgra(shape, size);
    img.insert(img.end(), pixels.begin(), pixels.end());
    const int maskRow = ((size + 31) / 32) * 4;
    // The mask marks transparent pixels for programs that ignore alpha.
    for (int row = size - 1; row >= 0; --row) {
      std::vector<std::uint8_t> bits(static_cast<std::size_t>(maskRow), 0);
      for (int x = 0; x < size; ++x) {
        const std::uint8_t alpha = pixels[(static_cast<std::size_t>(row) * size + x) * 4 + 3];
        if (alpha < 128) bits[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
      (void)row;
      img.insert(img.end(), bits.begin(), bits.end());
    }
    images.push_back(img);
  }
  std::vector<std::uint8_t> file;
  put16(file, 0);
  put16(file, 1);
  put16(file, static_cast<unsigned>(images.size()));
  unsigned offset = 6 + 16 * static_cast<unsigned>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    file.push_back(static_cast<std::uint8_t>(sizes[i]));
    file.push_back(static_cast<std::uint8_t>(sizes[i]));
    file.push_back(0);
    file.push_back(0);
    put16(file, 1);
    put16(file, 32);
    put32(file, static_cast<unsigned>(images[i].size()));
    put32(file, offset);
    offset += static_cast<unsigned>(images[i].size());
  }
  for (const auto& img : images) file.insert(file.end(), img.begin(), img.end());
  return file;
}

// Top-down RGBA rows, as PAM stores them.
std::vector<std::uint8_t> pamFile(const Shape& shape, int size) {
  const std::string header = "P7\nWIDTH " + std::to_string(size) + "\nHEIGHT " + std::to_string(size) +
                             "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  std::vector<std::uint8_t> file(header.begin(), header.end());
  const std::vector<std::uint8_t> bgra = renderBgra(shape, size);
  for (int row = size - 1; row >= 0; --row)
    for (int x = 0; x < size; ++x) {
      const std::uint8_t* p = &bgra[(static_cast<std::size_t>(row) * size + x) * 4];
      file.insert(file.end(), {p[2], p[1], p[0], p[3]});
    }
  return file;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f && std::fclose(f) != 0) written = false;
  if (!written) std::fprintf(stderr, "icongen: cannot write %s\n", path.c_str());
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--pam") {
    const int size = std::atoi(argv[2]);
    if (size < 1 || size > 1024) {
      std::fprintf(stderr, "icongen: size %s is not from 1 to 1024\n", argv[2]);
      return 2;
    }
    return writeFile(argv[3], pamFile(emblem, size)) ? 0 : 1;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: icongen OUTPUT_DIRECTORY | icongen --pam SIZE FILE\n");
    return 2;
  }
  const struct {
    const char* name;
    Shape shape;
  } icons[] = {
      {"big", emblem},
      {"small", emblem},
      {"exit", exitIcon},
      {"look", lookIcon},
      {"excel", excelIcon},
      {"up", [](double x, double y) { return arrow(x, y, true); }},
      {"down", [](double x, double y) { return arrow(x, y, false); }},
  };
  for (const auto& icon : icons) {
    const std::string path = std::string(argv[1]) + "/" + icon.name + ".ico";
    if (!writeFile(path, iconFile(icon.shape))) return 1;
  }
  return 0;
}
