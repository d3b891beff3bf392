// Build step: writes the empty working file that the automation object
// carries, from the statements of the engine's schema file.
//
//   vornapp_maketemplate <schema.sql> <output file>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/db/database.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <schema.sql> <output file>\n", argv[0]);
    return 2;
  }
  std::ifstream schemaFile(argv[1], std::ios::binary);
  std::stringstream schema;
  schema << schemaFile.rdbuf();
  if (!schemaFile) {
    std::fprintf(stderr, "Error: cannot read '%s'\n", argv[1]);
    return 1;
  }
  // SQLite would add the tables to whatever an old file holds.
  std::error_code ignored;
  std::filesystem::remove(argv[2], ignored);
  try {
    Platform::Db::OpenOptions options;
    options.mode = Platform::Db::OpenMode::CreateIfMissing;
    options.journal = Platform::Db::Journal::Rollback;
    Platform::Db::Database db(argv[2], options);
    db.Execute(schema.str());
  } catch (const Platform::Db::DatabaseError& error) {
    std::fprintf(stderr, "Error: '%s': %s\n", argv[2], error.what());
    std::filesystem::remove(argv[2], ignored);
    return 1;
  }
  return 0;
}
