// Song downloads against a local stand-in of a music server: where the file goes, what it
// holds, what a failure or a cancel leaves behind (nothing), how hostile titles are
// named, which extension a content type gives, and the progress reports. The test
// thread plays the GUI thread.

#include "client/extras/song_downloader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "support/free_port.h"
#include "support/gate.h"
#include "support/local_http_server.h"
#include "support/task_queue.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace quilla::client {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(generator());
  return bytes;
}

// Every file below `root`, as paths relative to it.
std::set<std::string> FilesBelow(const fs::path& root) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), root).string());
  }
  return files;
}

class SongDownloaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    httplib::Server& s = web_.server();
    s.Get("/song.mp3", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(first_song_, "audio/mpeg");
    });
    s.Get("/new.mp3", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(second_song_, "audio/mpeg");
    });
    s.Get("/moved.mp3", [](const httplib::Request&, httplib::Response& res) {
      res.set_redirect("/new.mp3");
      res.set_content("this page has moved", "text/html");
    });
    s.Get("/typed", [this](const httplib::Request& req, httplib::Response& res) {
      res.set_content(first_song_, req.get_param_value("type"));
    });
    s.Get("/missing.mp3", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("not found", "text/html");
    });
    s.Get("/empty.mp3", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("", "audio/mpeg");
    });
    s.Get("/big.mp3", [](const httplib::Request&, httplib::Response& res) {
      res.set_content(std::string(kMaxBytes + 1, 'x'), "audio/mpeg");
    });
    // Announces the whole song, sends half of it, and hangs up.
    s.Get("/cut.mp3", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(first_song_.size(), "audio/mpeg",
                               [this](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset > 0) return false;
                                 sink.write(first_song_.data(), first_song_.size() / 2);
                                 return true;
                               });
    });
    // Sends the first part, then holds the rest until the gate opens.
    s.Get("/held.mp3", [this](const httplib::Request& req, httplib::Response& res) {
      const bool chunked = req.has_param("chunked");
      auto send = [this, chunked](size_t offset, httplib::DataSink& sink) {
        if (offset > 0 && !rest_gate_.Wait(std::chrono::seconds(10))) return false;
        const size_t part = std::min<size_t>(first_song_.size() - offset, first_song_.size() / 4);
        sink.write(first_song_.data() + offset, part);
        if (chunked && offset + part == first_song_.size()) sink.done();
        return true;
      };
      if (chunked) {
        res.set_chunked_content_provider("audio/mpeg", send);
      } else {
        res.set_content_provider(
            first_song_.size(), "audio/mpeg",
            [send](size_t offset, size_t, httplib::DataSink& sink) { return send(offset, sink); });
      }
    });
    web_.Start();
  }
  void TearDown() override {
    rest_gate_.Open();
    downloader_.reset();
  }

  SongDownloader& Downloader() {
    if (!downloader_) {
      DownloadHooks hooks;
      hooks.on_progress = [this](DownloadId id, const DownloadProgress& progress) {
        progress_[id].push_back(progress);
      };
      hooks.on_finished = [this](DownloadId id, const DownloadResult& result) {
        results_[id] = result;
      };
      DownloadOptions options;
      options.desktop = [this] { return desktop_.path(); };
      options.max_bytes = kMaxBytes;
      downloader_ = std::make_unique<SongDownloader>(WorkerHost{gui_.Poster()}, hooks, options);
    }
    return *downloader_;
  }

  // Downloads and waits for the outcome.
  DownloadResult Download(const std::string& title, const std::string& url,
                          DownloadId* id_out = nullptr) {
    const DownloadId id = Downloader().DownloadSelectedSong({title, "歌手", url, "", ""});
    if (id_out) *id_out = id;
    EXPECT_TRUE(gui_.RunUntil([&] { return results_.count(id) > 0; }));
    return results_[id];
  }

  // A song held after its first quarter: the progress shows part of it (with the total
  // when the server announced one); once the rest comes, the last report is the whole.
  void CheckProgress(bool chunked) {
    const DownloadId id = Downloader().DownloadSelectedSong(
        {"歌", "", web_.Url(chunked ? "/held.mp3?chunked=1" : "/held.mp3"), "", ""});
    ASSERT_TRUE(gui_.RunUntil(
        [&] { return !progress_[id].empty() && progress_[id].back().received_bytes > 0; }));
    const DownloadProgress midway = progress_[id].back();
    EXPECT_LT(midway.received_bytes, first_song_.size());
    if (chunked) {
      EXPECT_EQ(midway.total_bytes, std::nullopt);
    } else {
      EXPECT_EQ(midway.total_bytes, first_song_.size());
    }
    rest_gate_.Open();
    ASSERT_TRUE(gui_.RunUntil([&] { return results_.count(id) > 0; }));
    EXPECT_TRUE(results_[id].ok);
    const DownloadProgress whole{first_song_.size(), first_song_.size()};
    EXPECT_EQ(progress_[id].back(), whole);
    for (std::size_t i = 1; i < progress_[id].size(); ++i) {
      EXPECT_GE(progress_[id][i].received_bytes, progress_[id][i - 1].received_bytes);
    }
  }

  static constexpr std::size_t kMaxBytes = 1024 * 1024;
  testing::TempDir desktop_;
  const fs::path folder_ = desktop_ / "下载的歌曲";
  const std::string first_song_ = RandomBytes(300 * 1024, 1);
  const std::string second_song_ = RandomBytes(200 * 1024, 2);
  testing::Gate rest_gate_;
  testing::LocalHttpServer web_;
  testing::TaskQueue gui_;
  std::map<DownloadId, std::vector<DownloadProgress>> progress_;
  std::map<DownloadId, DownloadResult> results_;
  std::unique_ptr<SongDownloader> downloader_;
};

TEST_F(SongDownloaderTest, TheSongLandsInItsFolderAndASecondDownloadReplacesIt) {
  ASSERT_FALSE(fs::exists(folder_));
  const DownloadResult first = Download("晴天", web_.Url("/song.mp3"));
  EXPECT_TRUE(first.ok);
  EXPECT_EQ(first.message, kDownloadDoneText);
  EXPECT_EQ(first.file, folder_ / "晴天.mp3");
  EXPECT_EQ(ReadBytes(folder_ / "晴天.mp3"), first_song_);

  // Again under the same title, through a redirect: only the new song's bytes are kept.
  const DownloadResult second = Download("晴天", web_.Url("/moved.mp3"));
  EXPECT_TRUE(second.ok);
  EXPECT_EQ(ReadBytes(folder_ / "晴天.mp3"), second_song_);
  EXPECT_EQ(FilesBelow(desktop_.path()), (std::set<std::string>{"下载的歌曲/晴天.mp3"}));
  EXPECT_EQ(Downloader().downloads_running(), 0u);
}

TEST_F(SongDownloaderTest, AFailedDownloadLeavesNoFileAndKeepsTheOldSong) {
  fs::create_directory(folder_);
  testing::WriteBytes(folder_ / "歌.mp3", "the good old song");
  const std::string closed_port = "http://127.0.0.1:" + std::to_string(testing::FreeLoopbackPort());
  const struct {
    std::string url;
    std::string reason;
  } cases[] = {
      {web_.Url("/missing.mp3"), "服务器回答 404"},
      {web_.Url("/cut.mp3"), "下载中断了"},
      {closed_port + "/song.mp3", "无法连接到歌曲的服务器"},
      {web_.Url("/empty.mp3"), "服务器没有给出歌曲内容"},
      {web_.Url("/big.mp3"), "歌曲文件太大"},
      {"", "这首歌没有可下载的地址"},
      {"file:///etc/hostname", "这首歌没有可下载的地址"},
  };
  for (const auto& c : cases) {
    const DownloadResult result = Download("歌", c.url);
    EXPECT_FALSE(result.ok) << c.url;
    EXPECT_EQ(result.message, std::string(kDownloadFailedPrefix) + c.reason) << c.url;
    EXPECT_EQ(FilesBelow(desktop_.path()), (std::set<std::string>{"下载的歌曲/歌.mp3"})) << c.url;
    EXPECT_EQ(ReadBytes(folder_ / "歌.mp3"), "the good old song") << c.url;
  }
}

TEST_F(SongDownloaderTest, ACancelledDownloadLeavesNoFile) {
  const DownloadId id =
      Downloader().DownloadSelectedSong({"等待", "", web_.Url("/held.mp3"), "", ""});
  // The first quarter has arrived: the temporary file exists and is being written.
  ASSERT_TRUE(gui_.RunUntil(
      [&] { return !progress_[id].empty() && progress_[id].back().received_bytes > 0; }));
  EXPECT_EQ(FilesBelow(folder_).size(), 1u);  // the hidden temporary file
  EXPECT_TRUE(Downloader().Cancel(id));
  ASSERT_TRUE(gui_.RunUntil([&] { return results_.count(id) > 0; }));
  EXPECT_FALSE(results_[id].ok);
  EXPECT_EQ(results_[id].message,
            std::string(kDownloadFailedPrefix) + std::string(kDownloadCancelledReason));
  EXPECT_TRUE(FilesBelow(desktop_.path()).empty());
  EXPECT_FALSE(Downloader().Cancel(id));  // it is over
}

TEST_F(SongDownloaderTest, HostileTitlesStayInsideTheFolder) {
  const struct {
    std::string title;
    std::string file;
  } cases[] = {
      {"../../.bashrc", "_.._.bashrc.mp3"},
      {"/tmp/x", "_tmp_x.mp3"},
      {"..\\..\\boot.ini", "_.._boot.ini.mp3"},
      {"a:b*c?d\"e<f>g|h", "a_b_c_d_e_f_g_h.mp3"},
      {std::string("nul\0byte", 8), "nul_byte.mp3"},
      {"..", "未命名.mp3"},
      {"", "未命名.mp3"},
  };
  std::set<std::string> expected;
  for (const auto& c : cases) {
    const DownloadResult result = Download(c.title, web_.Url("/song.mp3"));
    EXPECT_TRUE(result.ok) << c.title;
    EXPECT_EQ(result.file, folder_ / c.file) << c.title;
    expected.insert("下载的歌曲/" + c.file);
  }
  EXPECT_EQ(FilesBelow(desktop_.path()), expected);
  EXPECT_FALSE(fs::exists(folder_ / "../../.bashrc.mp3"));
}

TEST_F(SongDownloaderTest, TheExtensionFollowsTheContentType) {
  const struct {
    std::string type;
    std::string file;
  } cases[] = {
      {"audio/mpeg", "a.mp3"}, {"audio/flac", "a.flac"}, {"audio/ogg", "a.ogg"},
      {"audio/mp4", "a.m4a"},  {"audio/wav", "a.wav"},   {"application/octet-stream", "a.mp3"},
  };
  for (const auto& c : cases) {
    const DownloadResult result = Download("a", web_.Url("/typed?type=" + c.type));
    EXPECT_TRUE(result.ok) << c.type;
    EXPECT_EQ(result.file, folder_ / c.file) << c.type;
    EXPECT_EQ(ReadBytes(folder_ / c.file), first_song_) << c.type;
  }
}

TEST_F(SongDownloaderTest, ProgressCountsUpToTheAnnouncedTotal) {
  CheckProgress(/*chunked=*/false);
}

TEST_F(SongDownloaderTest, ProgressWithoutATotalStillEndsFull) {
  CheckProgress(/*chunked=*/true);
}

TEST_F(SongDownloaderTest, DownloadsRunSideBySide) {
  const DownloadId held =
      Downloader().DownloadSelectedSong({"慢", "", web_.Url("/held.mp3"), "", ""});
  // Another song finishes while the first one waits for its rest.
  const DownloadResult quick = Download("快", web_.Url("/new.mp3"));
  EXPECT_TRUE(quick.ok);
  EXPECT_EQ(results_.count(held), 0u);
  EXPECT_EQ(Downloader().downloads_running(), 1u);
  rest_gate_.Open();
  ASSERT_TRUE(gui_.RunUntil([&] { return results_.count(held) > 0; }));
  EXPECT_TRUE(results_[held].ok);
  EXPECT_EQ(ReadBytes(folder_ / "慢.mp3"), first_song_);
  EXPECT_EQ(ReadBytes(folder_ / "快.mp3"), second_song_);
}

TEST_F(SongDownloaderTest, NothingIsReportedAfterTheDownloaderIsGone) {
  const DownloadId id =
      Downloader().DownloadSelectedSong({"等待", "", web_.Url("/held.mp3"), "", ""});
  ASSERT_TRUE(gui_.RunUntil([&] { return !progress_[id].empty(); }));
  downloader_.reset();  // cancels; the worker cleans up on its own
  rest_gate_.Open();
  // The temporary file goes once the worker has seen the cancel.
  ASSERT_TRUE(testing::WaitUntil([&] { return FilesBelow(desktop_.path()).empty(); }));
  gui_.RunPending();
  EXPECT_EQ(results_.count(id), 0u);
}

}  // namespace
}  // namespace quilla::client
