// The generated importer under load, for bench/run:
//
//   import_bench write <directory>   writes the benchmark documents there
//                                    and prints their paths, one a line
//   import_bench import <list file>  imports every document the list names,
//                                    in order, and frees what it built
//
// The documents are purchase orders of examples/purchaseorder.xsd between
// 10 and 50 KB, made from a fixed vocabulary so that every one fits the
// symbol table of the generated scanner (its texts are kept once each).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "po.h"
#include "po_xmlimporter.h"

namespace {

// Same numbers on every machine and every run.
class Sequence {
public:
  unsigned Next(unsigned bound) {
    m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<unsigned>((m_state >> 33) % bound);
  }

private:
  unsigned long long m_state = 20240318;
};

const char* const kProducts[] = {
    "Drafting lamp, brass",   "Notebook, squared &amp; stitched", "Fountain pen, steel nib",
    "Ink, blue-black, 50 ml", "Desk blotter",                     "Paper clips &lt;small&gt;",
    "Stapler, heavy duty",    "Ruler, 30 cm",                     "Pencil case, leather",
    "Envelopes C5, 100",      "Index cards, ruled",               "Ring binder A4",
    "Sketchbook, 120 g/m&#178;", "Glue stick",                    "Letter tray, oak",
    "Scissors, left-handed",
};
const char* const kNames[] = {"Hanna Lindqvist", "Ravi Menon", "Marta O&apos;Neil",
                              "Jun Takahashi", "Ama Owusu", "Pavel Dvořák"};
const char* const kCities[] = {"Bremen", "Oxford", "Cork", "Sapporo", "Kumasi", "Brno"};

std::string Document(unsigned index, std::size_t targetBytes, Sequence& random) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  text += "<purchaseOrder number=\"PO-" + std::to_string(10000 + index) +
          "\" date=\"2024-03-18\" status=\"confirmed\" currency=\"EUR\">\n";
  const unsigned who = random.Next(6);
  text += "  <shipTo country=\"DE\">\n    <name>" + std::string(kNames[who]) +
          "</name>\n    <street>Am Kanal " + std::to_string(1 + random.Next(90)) +
          "</street>\n    <postcode>" + std::to_string(10000 + random.Next(89999)) +
          "</postcode>\n    <city>" + kCities[who] + "</city>\n  </shipTo>\n";
  const std::string ending =
      "  <payment>\n    <invoice dueDays=\"30\"/>\n  </payment>\n"
      "  <comment>Deliver to the back door.</comment>\n</purchaseOrder>\n";
  while (text.size() + ending.size() < targetBytes) {
    char part[16];
    std::snprintf(part, sizeof part, "TX-%04u", random.Next(600));
    text += "  <item part=\"" + std::string(part) + "\"" +
            (random.Next(5) == 0 ? " gift=\"true\"" : "") + ">\n    <description>" +
            kProducts[random.Next(16)] + "</description>\n    <quantity>" +
            std::to_string(1 + random.Next(40)) + "</quantity>\n    <unitPrice>" +
            std::to_string(1 + random.Next(120)) + "." + std::to_string(10 + random.Next(90)) +
            "</unitPrice>\n  </item>\n";
  }
  return text + ending;
}

int WriteDocuments(const std::string& directory) {
  Sequence random;
  for (unsigned i = 0; i < 24; ++i) {
    const std::size_t size = 10 * 1024 + i * (40 * 1024) / 23;  // 10 KB to 50 KB
    const std::string path = directory + "/order" + std::to_string(i) + ".xml";
    std::ofstream out(path, std::ios::binary);
    out << Document(i, size, random);
    if (!out) {
      std::cerr << "cannot write " << path << "\n";
      return 1;
    }
    std::cout << path << "\n";
  }
  return 0;
}

int ImportDocuments(const std::string& listFile) {
  std::ifstream list(listFile);
  std::vector<std::string> paths;
  for (std::string line; std::getline(list, line);) {
    if (!line.empty()) paths.push_back(line);
  }
  if (paths.empty()) {
    std::cerr << "no documents listed in " << listFile << "\n";
    return 1;
  }
  po::Initialize();
  po::XMLImporter importer;
  for (const std::string& path : paths) {
    try {
      importer.ImportFromFile(path, true);
      std::unique_ptr<Travix::XObject> root(importer.GetXObject());
      if (!root) throw Travix::XException("Error: no document in '" + path + "'", __FILE__, __LINE__);
    } catch (const Travix::XException& e) {
      std::cerr << path << ": " << e.GetMsg() << "\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode == "write") return WriteDocuments(argv[2]);
  if (mode == "import") return ImportDocuments(argv[2]);
  std::cerr << "usage: import_bench write <directory> | import_bench import <list file>\n";
  return 2;
}
