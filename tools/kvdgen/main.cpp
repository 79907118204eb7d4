// kvdgen: writes a measurement file from a description (see kvd_description.h).
//   kvdgen DESCRIPTION OUTPUT   ("-" reads the description from standard input)
//   kvdgen --demo OUTPUT        the built-in demo file
//   kvdgen --print-demo         the demo's description
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "tools/kvdgen/kvd_description.h"

namespace {

int usage() {
  std::cerr << "usage: kvdgen DESCRIPTION OUTPUT | kvdgen --demo OUTPUT | kvdgen --print-demo\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--print-demo") {
    std::cout << zel::kvd::demoDescription();
    return 0;
  }
  if (argc != 3) return usage();
  std::string description;
  const std::string source = argv[1];
  if (source == "--demo") {
    description = zel::kvd::demoDescription();
  } else if (source == "-") {
    description.assign(std::istreambuf_iterator<char>(std::cin), {});
  } else {
    std::ifstream in(source, std::ios::binary);
    if (!in) {
      std::cerr << "kvdgen: cannot read " << source << "\n";
      return 1;
    }
    description.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::uint8_t> bytes;
  zel::kvd::ParseError error;
  if (!zel::kvd::buildFile(description, bytes, error)) {
    std::cerr << "kvdgen: line " << error.line << ": " << error.message << "\n";
    return 1;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::cerr << "kvdgen: cannot write " << argv[2] << "\n";
    return 1;
  }
  return 0;
}
