#include "server/library/index_store.h"

#include <sqlite3.h>

#include <filesystem>

#include "server/library/file_names.h"

namespace quilla::server::library {
namespace {

constexpr int kSchemaVersion = 1;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS songs(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  path BLOB NOT NULL UNIQUE,
  size INTEGER NOT NULL,
  mtime_ns INTEGER NOT NULL,
  title TEXT NOT NULL,
  artist TEXT NOT NULL,
  album TEXT NOT NULL,
  genre TEXT NOT NULL,
  duration_ms INTEGER NOT NULL,
  embedded_cover INTEGER NOT NULL,
  embedded_lyrics INTEGER NOT NULL);
PRAGMA user_version = 1;
)sql";

// A statement prepared for one use and finalised when it goes.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr); }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return statement_; }
  explicit operator bool() const { return statement_ != nullptr; }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

std::string Text(sqlite3_stmt* statement, int column) {
  const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
  return bytes
             ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
             : std::string();
}

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Opens `path` and makes sure it holds our schema; nullptr (and the reason) otherwise.
sqlite3* OpenWithSchema(const std::string& path, std::string* reason) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
      SQLITE_OK) {
    *reason = db ? sqlite3_errmsg(db) : "cannot open";
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 2000);
  int version = -1;
  {
    Statement query(db, "PRAGMA user_version");
    if (query && sqlite3_step(query.get()) == SQLITE_ROW)
      version = sqlite3_column_int(query.get(), 0);
  }
  const bool usable = version == 0 || version == kSchemaVersion;
  char* message = nullptr;
  if (!usable || sqlite3_exec(db, kSchema, nullptr, nullptr, &message) != SQLITE_OK ||
      sqlite3_exec(db, "SELECT count(*) FROM songs", nullptr, nullptr, nullptr) != SQLITE_OK) {
    *reason = message  ? message
              : usable ? sqlite3_errmsg(db)
                       : "index of another version (" + std::to_string(version) + ")";
    sqlite3_free(message);
    sqlite3_close(db);
    return nullptr;
  }
  // Write-ahead logging with normal syncing: a crash may lose the last changes (the next
  // scan finds them again) but never damages the index.
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
               nullptr);
  return db;
}

}  // namespace

std::unique_ptr<IndexStore> IndexStore::Open(const std::string& path, std::string* note) {
  std::string reason;
  sqlite3* db = OpenWithSchema(path, &reason);
  if (!db) {
    std::error_code ignored;
    const std::string aside = path + ".broken";
    std::filesystem::rename(path, aside, ignored);
    for (const char* suffix : {"-wal", "-shm"}) std::filesystem::remove(path + suffix, ignored);
    std::string second_reason;
    db = OpenWithSchema(path, &second_reason);
    if (db) {
      if (note) *note = "index " + path + " unusable (" + reason + "), moved to " + aside;
    } else {
      db = OpenWithSchema(":memory:", &second_reason);
      if (note) *note = "index " + path + " unusable (" + reason + "), kept in memory only";
    }
  }
  if (!db) return nullptr;
  return std::unique_ptr<IndexStore>(new IndexStore(db));
}

IndexStore::IndexStore(sqlite3* db) : db_(db) {}

IndexStore::~IndexStore() {
  if (in_transaction_) Commit();
  sqlite3_close(db_);
}

bool IndexStore::Execute(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void IndexStore::Begin() {
  if (!in_transaction_) in_transaction_ = Execute("BEGIN");
}

void IndexStore::Commit() {
  if (in_transaction_) Execute("COMMIT");
  in_transaction_ = false;
}

std::vector<LibrarySong> IndexStore::LoadAll() {
  std::vector<LibrarySong> songs;
  Statement query(db_,
                  "SELECT id, path, size, mtime_ns, title, artist, album, genre, duration_ms, "
                  "embedded_cover, embedded_lyrics FROM songs");
  while (query && sqlite3_step(query.get()) == SQLITE_ROW) {
    sqlite3_stmt* row = query.get();
    LibrarySong song;
    song.id = sqlite3_column_int64(row, 0);
    song.path = Text(row, 1);
    song.size = sqlite3_column_int64(row, 2);
    song.mtime_ns = sqlite3_column_int64(row, 3);
    song.title = Text(row, 4);
    song.artist = Text(row, 5);
    song.album = Text(row, 6);
    song.genre = Text(row, 7);
    song.duration_ms = sqlite3_column_int64(row, 8);
    song.embedded_cover = sqlite3_column_int(row, 9) != 0;
    song.embedded_lyrics = sqlite3_column_int(row, 10) != 0;
    song.file_stem = FileStemText(song.path);
    songs.push_back(std::move(song));
  }
  return songs;
}

SongId IndexStore::Save(const LibrarySong& song) {
  Statement upsert(db_,
                   "INSERT INTO songs(path, size, mtime_ns, title, artist, album, genre, "
                   "duration_ms, embedded_cover, embedded_lyrics) "
                   "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10) "
                   "ON CONFLICT(path) DO UPDATE SET size = ?2, mtime_ns = ?3, title = ?4, "
                   "artist = ?5, album = ?6, genre = ?7, duration_ms = ?8, embedded_cover = ?9, "
                   "embedded_lyrics = ?10 RETURNING id");
  if (!upsert) return 0;
  sqlite3_stmt* s = upsert.get();
  sqlite3_bind_blob(s, 1, song.path.data(), static_cast<int>(song.path.size()), SQLITE_TRANSIENT);
  sqlite3_bind_int64(s, 2, song.size);
  sqlite3_bind_int64(s, 3, song.mtime_ns);
  BindText(s, 4, song.title);
  BindText(s, 5, song.artist);
  BindText(s, 6, song.album);
  BindText(s, 7, song.genre);
  sqlite3_bind_int64(s, 8, song.duration_ms);
  sqlite3_bind_int(s, 9, song.embedded_cover ? 1 : 0);
  sqlite3_bind_int(s, 10, song.embedded_lyrics ? 1 : 0);
  SongId id = 0;
  if (sqlite3_step(s) == SQLITE_ROW) id = sqlite3_column_int64(s, 0);
  while (sqlite3_step(s) == SQLITE_ROW) {
  }
  return id;
}

void IndexStore::Remove(SongId id) {
  Statement remove(db_, "DELETE FROM songs WHERE id = ?1");
  if (!remove) return;
  sqlite3_bind_int64(remove.get(), 1, id);
  sqlite3_step(remove.get());
}

}  // namespace quilla::server::library
