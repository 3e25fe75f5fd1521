#include "client/core/client_session.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "encoding/gbk.h"
#include "protocol/packet_codec.h"

namespace quilla::client {
namespace {

namespace msg = protocol;
using F = SessionField;

// A packet exactly as a server could send it: any command word, any payload (UTF-8 here,
// GBK on the wire), so that wrong field counts can be built.
std::string Raw(std::string_view command, std::string_view payload) {
  return msg::BuildPacket(encoding::Utf8ToGbk(command), encoding::Utf8ToGbk(payload));
}
constexpr std::string_view kSep = "g【*】c";
std::string Join(std::initializer_list<std::string_view> fields) {
  std::string out;
  for (auto f = fields.begin(); f != fields.end(); ++f) {
    if (f != fields.begin()) out += kSep;
    out += *f;
  }
  return out;
}

std::vector<QueueRow> Rows(std::initializer_list<std::pair<const char*, const char*>> rows) {
  std::vector<QueueRow> out;
  for (auto [song, requester] : rows) out.push_back({song, requester});
  return out;
}

// What a row expects after its message; unset members are not checked.
struct Case {
  const char* name = "";
  std::vector<std::string> before = {};  // blocks applied first
  std::string block = {};
  std::optional<std::string> song_caption = {}, cover_url = {}, lyrics_line = {}, time_text = {},
                             status_text = {};
  std::optional<int> progress_width = {}, request_interval_s = {};
  std::optional<bool> skip_visible = {}, request_controls = {}, load_more = {};
  std::optional<std::vector<QueueRow>> mirror = {};
  std::optional<std::string> balloon = {};  // expected balloon text, "" for none; unset: unchecked
  bool exit_requested = false;
  bool ignored = false;  // the message changes nothing at all
};

const std::string kFirstBefore = Raw("当前点歌列表", "Old-Zed");

std::vector<Case> Cases() {
  return {
      {.name = "首次获取 shows the song and cover and starts the mirror afresh",
       .before = {kFirstBefore},
       .block = msg::BuildFirstState("Ann", "Song - Singer", "http://c/1.jpg"),
       .song_caption = "Song - Singer(Ann)",
       .cover_url = "http://c/1.jpg",
       .mirror = Rows({})},
      {.name = "首次获取 before the first song (empty cover field) is accepted",
       .before = {msg::BuildFirstState("Ann", "Song - Singer", "http://c/1.jpg")},
       .block = Raw("首次获取", Join({"", "当前暂无播放歌曲", ""})),
       .song_caption = "当前暂无播放歌曲()",
       .cover_url = ""},
      {.name = "首次获取 with two fields still empties the mirror, shows nothing",
       .before = {kFirstBefore},
       .block = Raw("首次获取", Join({"Ann", "Song"})),
       .song_caption = "Quilla系统，点播您想听的歌",
       .cover_url = "",
       .mirror = Rows({})},
      {.name = "歌曲播放 shows the song, notifies and drops the first matching row",
       .before = {Raw("歌曲增加", "Other-Bob"), Raw("歌曲增加", "T-Ann"), Raw("歌曲增加", "T-Cy")},
       .block = msg::BuildSongPlaying("Ann", "T", "S", "http://c/t.jpg"),
       .song_caption = "T-S (Ann)",
       .cover_url = "http://c/t.jpg",
       .lyrics_line = "T-S",
       .mirror = Rows({{"Other", "Bob"}, {"T", "Cy"}}),
       .balloon = "当前播放的歌曲来自Ann点播的T"},
      {.name = "歌曲播放 with an empty cover URL is accepted",
       .block = Raw("歌曲播放", Join({"Ann", "T", "S", ""})),
       .song_caption = "T-S (Ann)",
       .cover_url = ""},
      {.name = "歌曲播放 matching no row leaves the mirror",
       .before = {Raw("歌曲增加", "A-Bob")},
       .block = msg::BuildSongPlaying("Ann", "a", "S", "u"),
       .mirror = Rows({{"A", "Bob"}})},
      {.name = "歌曲播放 with three fields is ignored",
       .before = {Raw("歌曲增加", "T-Bob")},
       .block = Raw("歌曲播放", Join({"Ann", "T", "S"})),
       .ignored = true},
      {.name = "歌曲播放 with five fields is ignored",
       .block = Raw("歌曲播放", Join({"Ann", "T", "S", "u", "x"})),
       .ignored = true},
      {.name = "系统随机 shows the radio song and drops a queued row of that title",
       .before = {Raw("歌曲增加", "Radio 1-Bob")},
       .block = msg::BuildRadioSong("Radio 1", "DJ", "http://c/r.jpg"),
       .song_caption = "Radio 1-DJ (系统随机)",
       .cover_url = "http://c/r.jpg",
       .lyrics_line = "Radio 1-DJ",
       .mirror = Rows({}),
       .balloon = "当前播放的歌曲来自系统随机点播的Radio 1"},
      {.name = "系统随机 with three fields is ignored",
       .block = Raw("系统随机", Join({"系统随机", "T", "S"})),
       .ignored = true},
      {.name = "歌词变更 sets the lyrics line",
       .block = msg::BuildLyricsLine("第一句 - 歌词"),
       .lyrics_line = "第一句 - 歌词",
       .balloon = ""},
      {.name = "歌曲进度 200.75 is 200 pixels",
       .block = msg::BuildSongProgress("200.75"),
       .progress_width = 200},
      {.name = "歌曲进度 with blanks and sign",
       .block = msg::BuildSongProgress("  +57x"),
       .progress_width = 57},
      {.name = "歌曲进度 without a number is 0",
       .before = {msg::BuildSongProgress("120")},
       .block = msg::BuildSongProgress("abc"),
       .progress_width = 0},
      {.name = "歌曲进度 never leaves the track",
       .block = msg::BuildSongProgress("9999"),
       .progress_width = 400},
      {.name = "歌曲进度 never goes below the start",
       .block = msg::BuildSongProgress("-5"),
       .progress_width = 0},
      {.name = "歌曲时间 is shown as sent",
       .block = msg::BuildSongTime("01:02 | 03:04"),
       .time_text = "01:02 | 03:04"},
      {.name = "禁止点歌 disables the four controls",
       .before = {Raw("正常点歌", std::string(1, '\0'))},
       .block = msg::BuildRequestsForbidden(),
       .status_text = "你已经被禁止点歌了！",
       .request_controls = false,
       .load_more = false},
      {.name = "正常点歌 enables them",
       .block = msg::BuildRequestsAllowed(),
       .status_text = "你已经可以正常点歌了！",
       .request_controls = true,
       .load_more = true},
      {.name = "允许切歌 shows the skip button",
       .block = msg::BuildSkipAllowed(),
       .status_text = "你可以切歌了！",
       .skip_visible = true},
      {.name = "禁止切歌 hides it",
       .before = {msg::BuildSkipAllowed()},
       .block = msg::BuildSkipForbidden(),
       .status_text = "你的切歌功能被禁止了",
       .skip_visible = false},
      {.name = "切歌按钮显示 真 shows it",
       .block = msg::BuildSkipButtonShown(true),
       .skip_visible = true},
      {.name = "切歌按钮显示 假 hides it even after 允许切歌",
       .before = {msg::BuildSkipAllowed()},
       .block = msg::BuildSkipButtonShown(false),
       .status_text = "你可以切歌了！",
       .skip_visible = false},
      {.name = "切歌按钮显示 with another text hides it",
       .before = {msg::BuildSkipAllowed()},
       .block = Raw("切歌按钮显示", "真的"),
       .skip_visible = false},
      {.name = "切歌提示 goes to the status line",
       .block = msg::BuildSkipNotice("Bob"),
       .status_text = "当前歌曲已被 Bob 切掉"},
      {.name = "时间间隔 15", .block = msg::BuildRequestInterval("15"), .request_interval_s = 15},
      {.name = "时间间隔 abc is 0",
       .before = {msg::BuildRequestInterval("30")},
       .block = msg::BuildRequestInterval("abc"),
       .request_interval_s = 0},
      {.name = "时间间隔 reads the leading number",
       .block = msg::BuildRequestInterval(" 7秒"),
       .request_interval_s = 7},
      {.name = "歌曲剩余不足 is a balloon",
       .block = msg::BuildQueueLow(),
       .balloon = "当前点歌目录只剩3首，请点歌！"},
      {.name = "当前点歌列表 rows then 歌曲增加 append below",
       .before = {msg::BuildQueueEntry("A", "Ann"), msg::BuildQueueEntry("B", "Bob"),
                  msg::BuildQueueEntry("C", "Cy")},
       .block = msg::BuildSongAdded("D", "Dee"),
       .mirror = Rows({{"A", "Ann"}, {"B", "Bob"}, {"C", "Cy"}, {"D", "Dee"}})},
      {.name = "a title with dashes splits at the last dash",
       .block = msg::BuildSongAdded("Song - Live", "Ann"),
       .mirror = Rows({{"Song - Live", "Ann"}})},
      {.name = "a pair without a dash is ignored",
       .before = {msg::BuildQueueEntry("A", "Ann")},
       .block = Raw("歌曲增加", "NoDash"),
       .ignored = true},
      {.name = "卸载 asks the client to end",
       .block = msg::BuildUninstall(),
       .exit_requested = true},
      {.name = "an unknown command is ignored", .block = Raw("你好", "x"), .ignored = true},
      {.name = "a client-to-server command is ignored",
       .block = msg::BuildRequestSong({"Ann", "T", "S", "u", "c", "l"}),
       .ignored = true},
      {.name = "a block that does not decode is ignored",
       .block = "garbage bytes",
       .ignored = true},
      {.name = "a command in another spelling is ignored",
       .block = Raw("歌曲播放 ", "x"),
       .ignored = true},
  };
}

TEST(ClientSessionTest, EveryServerMessage) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    ClientSession session;
    session.SetPopupsEnabled(true);
    for (const auto& block : c.before) session.ApplyBlock(block);
    const SessionState before = session.state();
    const SessionUpdate update = session.ApplyBlock(c.block);
    const SessionState& s = session.state();

    if (c.ignored) {
      EXPECT_TRUE(update.empty());
      EXPECT_EQ(s, before);
      continue;
    }
    EXPECT_FALSE(update.empty());
    if (c.song_caption) {
      EXPECT_EQ(s.song_caption, *c.song_caption);
    }
    if (c.cover_url) {
      EXPECT_EQ(s.cover_url, *c.cover_url);
    }
    if (c.lyrics_line) {
      EXPECT_EQ(s.lyrics_line, *c.lyrics_line);
      EXPECT_TRUE(update.changed.Has(F::kLyricsLine));
    }
    if (c.time_text) {
      EXPECT_EQ(s.time_text, *c.time_text);
      EXPECT_TRUE(update.changed.Has(F::kTimeText));
    }
    if (c.status_text) {
      EXPECT_EQ(s.status_text, *c.status_text);
    }
    if (c.progress_width) {
      EXPECT_EQ(s.progress_width, *c.progress_width);
      EXPECT_TRUE(update.changed.Has(F::kProgressWidth));
    }
    if (c.request_interval_s) {
      EXPECT_EQ(s.request_interval_s, *c.request_interval_s);
      EXPECT_TRUE(update.changed.Has(F::kRequestInterval));
    }
    if (c.skip_visible) {
      EXPECT_EQ(s.skip_button_visible, *c.skip_visible);
      EXPECT_TRUE(update.changed.Has(F::kSkipButton));
    }
    if (c.request_controls) {
      EXPECT_EQ(s.request_controls_enabled, *c.request_controls);
      EXPECT_TRUE(update.changed.Has(F::kRequestControls));
    }
    if (c.load_more) {
      EXPECT_EQ(s.load_more_enabled, *c.load_more);
      EXPECT_TRUE(update.changed.Has(F::kLoadMore));
    }
    if (c.mirror) {
      EXPECT_EQ(s.queue_mirror, *c.mirror);
    } else {
      EXPECT_EQ(s.queue_mirror, before.queue_mirror);
    }
    if (c.balloon && c.balloon->empty()) {
      EXPECT_FALSE(update.balloon);
    } else if (c.balloon) {
      ASSERT_TRUE(update.balloon);
      EXPECT_EQ(*update.balloon, (Balloon{"播放歌曲通知！", *c.balloon, 1, 5000}));
    }
    EXPECT_EQ(update.exit_requested, c.exit_requested);
    EXPECT_FALSE(update.error_box);
    EXPECT_EQ(update.panel, PanelMove::kNone);
  }
}

TEST(ClientSessionTest, BalloonsOnlyWithPopupsOn) {
  ClientSession session;
  const SessionState fresh = session.state();
  EXPECT_TRUE(session.ApplyBlock(msg::BuildQueueLow()).empty());
  const SessionUpdate playing = session.ApplyBlock(msg::BuildSongPlaying("Ann", "T", "S", "u"));
  EXPECT_FALSE(playing.balloon);
  EXPECT_EQ(session.state().song_caption, "T-S (Ann)");  // everything else still happens
  EXPECT_NE(session.state(), fresh);

  session.SetPopupsEnabled(true);
  EXPECT_TRUE(session.ApplyBlock(msg::BuildQueueLow()).balloon);
  session.SetPopupsEnabled(false);
  EXPECT_FALSE(session.ApplyBlock(msg::BuildRadioSong("R", "DJ", "u")).balloon);
}

// The server sends its whole state, queue included, to every online user on every join.
TEST(ClientSessionTest, AnotherJoinLeavesTheMirrorEqualToTheServersQueue) {
  auto join_state = [] {
    return std::vector<std::string>{msg::BuildFirstState("Ann", "Now - Singer", "u"),
                                    msg::BuildRequestInterval("5"),
                                    msg::BuildSkipButtonShown(false),
                                    msg::BuildQueueEntry("A", "Ann"),
                                    msg::BuildQueueEntry("B", "Bob"),
                                    msg::BuildQueueEntry("C", "Cy")};
  };
  ClientSession session;
  for (const auto& block : join_state()) session.ApplyBlock(block);
  const auto abc = Rows({{"A", "Ann"}, {"B", "Bob"}, {"C", "Cy"}});
  EXPECT_EQ(session.state().queue_mirror, abc);

  std::vector<QueueEdit> edits;
  for (const auto& block : join_state()) {
    const SessionUpdate u = session.ApplyBlock(block);
    edits.insert(edits.end(), u.queue_edits.begin(), u.queue_edits.end());
  }
  EXPECT_EQ(session.state().queue_mirror, abc);
  // A view that follows the edits ends with the same three rows.
  const std::vector<QueueEdit> expected = {{QueueEdit::Kind::kCleared, 0},
                                           {QueueEdit::Kind::kAppended, 0},
                                           {QueueEdit::Kind::kAppended, 1},
                                           {QueueEdit::Kind::kAppended, 2}};
  EXPECT_EQ(edits, expected);

  // The next song leaves the server's queue and the mirror alike.
  const SessionUpdate b = session.ApplyBlock(msg::BuildSongPlaying("Bob", "B", "S", "u"));
  EXPECT_EQ(b.queue_edits, (std::vector<QueueEdit>{{QueueEdit::Kind::kRemoved, 1}}));
  EXPECT_EQ(session.state().queue_mirror, Rows({{"A", "Ann"}, {"C", "Cy"}}));
}

TEST(ClientSessionTest, ConnectSteps) {
  ClientSession session;
  EXPECT_TRUE(session.ConnectStarted(ConnectTrigger::kRetry).empty());

  SessionUpdate u = session.ConnectStarted(ConnectTrigger::kStartUp);
  EXPECT_EQ(session.state().connection_status_text, "Quilla客户端 V3.7");
  EXPECT_FALSE(session.state().connect_button_enabled);
  EXPECT_FALSE(u.changed.Has(F::kConnectionStatus));

  u = session.ConnectStarted(ConnectTrigger::kButton);
  EXPECT_EQ(session.state().connection_status_text, "连接中...");
  EXPECT_TRUE(u.changed.Has(F::kConnectionStatus));

  u = session.ConnectFailed();
  ASSERT_TRUE(u.error_box);
  EXPECT_EQ(*u.error_box, (ErrorBox{"连接失败！", "连接失败，请检查IP配置"}));
  EXPECT_EQ(u.panel, PanelMove::kSlideOpenIfClosed);
  EXPECT_EQ(session.state().connection_status_text, "连接失败，请检查IP配置");
  EXPECT_EQ(session.state().connect_button_caption, "连接服务端");
  EXPECT_TRUE(session.state().connect_button_enabled);
  EXPECT_EQ(session.state().welcome_text, "欢迎使用本软件！");
  EXPECT_FALSE(session.state().request_controls_enabled);

  u = session.Connected();
  const SessionState& s = session.state();
  EXPECT_EQ(u.panel, PanelMove::kSlideClosedIfOpen);
  EXPECT_EQ(s.connect_button_caption, "已连接");
  EXPECT_FALSE(s.connect_button_enabled);
  EXPECT_TRUE(s.voice_button_enabled);
  EXPECT_EQ(s.status_text, "连接服务端成功！");
  EXPECT_EQ(s.connection_status_text, "Quilla客户端 V3.7");
  EXPECT_TRUE(s.request_controls_enabled);
  EXPECT_FALSE(s.load_more_enabled);  // only a search result enables it
  EXPECT_FALSE(u.error_box);
}

TEST(ClientSessionTest, LostConnectionClearsTheMirrorAndKeepsTheRest) {
  ClientSession session;
  session.Connected();
  for (const auto& block : {msg::BuildSongPlaying("Ann", "T", "S", "u"), msg::BuildSkipAllowed(),
                            msg::BuildRequestInterval("15"), msg::BuildRequestsAllowed(),
                            msg::BuildQueueEntry("A", "Ann"), msg::BuildSongProgress("120")}) {
    session.ApplyBlock(block);
  }
  const SessionState before = session.state();
  const SessionUpdate u = session.ConnectionLost();
  const SessionState& s = session.state();
  EXPECT_EQ(u.panel, PanelMove::kSnapOpen);
  EXPECT_EQ(s.connect_button_caption, "重新连接");
  EXPECT_TRUE(s.connect_button_enabled);
  EXPECT_EQ(s.connection_status_text, "已断开连接！");
  EXPECT_FALSE(s.request_controls_enabled);
  EXPECT_FALSE(s.load_more_enabled);
  EXPECT_TRUE(s.queue_mirror.empty());
  EXPECT_EQ(u.queue_edits, (std::vector<QueueEdit>{{QueueEdit::Kind::kCleared, 0}}));
  EXPECT_EQ(s.welcome_text, "欢迎使用本软件！");
  // Now-playing, skip permission and interval stay until the server says otherwise.
  EXPECT_EQ(s.song_caption, before.song_caption);
  EXPECT_EQ(s.progress_width, 120);
  EXPECT_TRUE(s.skip_button_visible);
  EXPECT_EQ(s.request_interval_s, 15);
  EXPECT_TRUE(s.voice_button_enabled);
}

TEST(ClientSessionTest, NicknameAndTheMessagesItGoesInto) {
  ClientSession session;
  EXPECT_EQ(msg::ParseUserJoin(msg::DecodeMessage(session.JoinBlock("10.0.0.7"))),
            (msg::UserJoin{"你的名字", "10.0.0.7"}));
  const SessionUpdate u = session.SetNickname("小猪猪g");
  EXPECT_TRUE(u.changed.Has(F::kNickname));
  EXPECT_EQ(session.state().nickname, "小猪猪g");
  const msg::Message rename = msg::DecodeMessage(session.NameChangeBlock());
  EXPECT_EQ(rename.command, msg::Command::kNameChange);
  EXPECT_EQ(msg::PayloadUtf8(rename), "小猪猪g");
  EXPECT_EQ(msg::ParseUserJoin(msg::DecodeMessage(session.JoinBlock("127.0.0.1"))),
            (msg::UserJoin{"小猪猪g", "127.0.0.1"}));
}

}  // namespace
}  // namespace quilla::client
