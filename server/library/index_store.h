#pragma once
// The index file: every indexed song in SQLite, so a restart reads tags only from files
// whose size or modification time changed. Ids come from the table's AUTOINCREMENT key:
// a path keeps its id for as long as it stays indexed, and a removed song's id is never
// given to another file.
//
// Not thread-safe: one thread (the library's scanner) owns the store.

#include <memory>
#include <string>
#include <vector>

#include "server/library/song.h"

struct sqlite3;

namespace quilla::server::library {

class IndexStore {
 public:
  // Opens or creates the index file. A file that is not a usable index (damaged, or
  // written by a newer program) is moved aside as "<path>.broken" and a new one is
  // started; `note` then says so. When even that fails the store lives in memory only
  // (nothing survives a restart) and `note` says why. Never throws.
  static std::unique_ptr<IndexStore> Open(const std::string& path, std::string* note);
  ~IndexStore();
  IndexStore(const IndexStore&) = delete;
  IndexStore& operator=(const IndexStore&) = delete;

  // Every stored song, file_stem filled from the path.
  std::vector<LibrarySong> LoadAll();

  // Inserts the song, or updates the row of its path; returns the row's id (the existing
  // one for a known path). song.id is ignored. 0 when the write failed.
  SongId Save(const LibrarySong& song);
  void Remove(SongId id);

  // Writes between Begin and Commit go to disk together (much faster than one by one).
  void Begin();
  void Commit();

 private:
  explicit IndexStore(sqlite3* db);
  bool Execute(const char* sql);

  sqlite3* db_;
  bool in_transaction_ = false;
};

}  // namespace quilla::server::library
