// The voice group: the message that goes out, the button's cool-down step by step and
// with real (shortened) timers, the refused send, and the boxes that clear on entry.

#include "client/extras/voice_messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/core/client_session.h"
#include "client/extras/voice_controller.h"
#include "encoding/gbk.h"
#include "protocol/messages.h"
#include "support/outbox.h"
#include "support/qt_test_support.h"

namespace quilla::client {
namespace {

using testing::Outbox;

VoiceMessages ConnectedVoice() {
  VoiceMessages voice;
  voice.SetSendingAllowed(true);
  return voice;
}

TEST(VoiceMessages, TheMessageJoinsNameAddresseeAndTextInGbk) {
  // As designed: no nickname has reached `姓名标签`, the boxes hold their sample texts.
  VoiceMessages voice = ConnectedVoice();
  Outbox connection;
  voice.SendVoiceMessage(kDesignedNameLabel, connection.Send());
  ASSERT_EQ(connection.blocks.size(), 1u);
  const protocol::Message designed = protocol::DecodeMessage(connection.blocks[0]);
  EXPECT_EQ(designed.command, protocol::Command::kVoiceMessage);
  // "小猪猪想对vu说，" byte by byte in GBK, then the message.
  const std::string head = "\xD0\xA1\xD6\xED\xD6\xED\xCF\xEB\xB6\xD4vu\xCB\xB5\xA3\xAC";
  EXPECT_EQ(designed.payload, head + encoding::Utf8ToGbk(kDesignedMessage));

  // A nickname set through the session; the user's own words in both boxes.
  ClientSession session;
  session.SetNickname("Ann");
  VoiceMessages renamed = ConnectedVoice();
  renamed.SetBoxText(VoiceBox::kAddressee, "Bob");
  renamed.SetBoxText(VoiceBox::kMessage, "生日快乐！");
  renamed.SendVoiceMessage(session.state().nickname, connection.Send());
  ASSERT_EQ(connection.blocks.size(), 2u);
  const protocol::Message message = protocol::DecodeMessage(connection.blocks[1]);
  EXPECT_EQ(message.payload, encoding::Utf8ToGbk("Ann想对Bob说，生日快乐！"));
}

TEST(VoiceMessages, CaptionsCountFrom59To0AndTheButtonWorksAgainAfterTheCooldown) {
  VoiceMessages voice = ConnectedVoice();
  Outbox connection;
  const VoiceUpdate sent = voice.SendVoiceMessage("Ann", connection.Send());
  EXPECT_EQ(sent.button_enabled, false);
  EXPECT_EQ(sent.cooldown_timer, TimerChange::kStart);
  EXPECT_EQ(sent.tick_timer, TimerChange::kStart);
  EXPECT_EQ(voice.cooldown_seconds(), 60);
  EXPECT_EQ(voice.button_caption(), kVoiceButtonCaption);

  // `时钟2` ticks once a second; `时钟1` ends the cool-down at 60 s, with the 60th tick.
  std::vector<std::string> captions;
  for (int second = 1; second <= 60; ++second) {
    const VoiceUpdate tick = voice.OnVoiceTick();
    ASSERT_TRUE(tick.button_caption);
    captions.push_back(*tick.button_caption);
    EXPECT_FALSE(voice.button_enabled()) << "second " << second;
  }
  std::vector<std::string> expected;
  for (int left = 59; left >= 0; --left)
    expected.push_back(std::to_string(left) + "秒后可再次发送");
  EXPECT_EQ(captions, expected);
  // A second click while it counts sends nothing.
  voice.SendVoiceMessage("Ann", connection.Send());
  EXPECT_EQ(connection.blocks.size(), 1u);

  const VoiceUpdate end = voice.OnVoiceCooldownEnd();
  EXPECT_EQ(end.button_enabled, true);
  EXPECT_EQ(end.button_caption, std::string(kVoiceButtonCaption));
  EXPECT_EQ(end.cooldown_timer, TimerChange::kStop);
  EXPECT_TRUE(voice.tick_timer_running());
  // One tick later the count, at 0, stops `时钟2` too.
  const VoiceUpdate last = voice.OnVoiceTick();
  EXPECT_EQ(last.tick_timer, TimerChange::kStop);
  EXPECT_EQ(voice.button_caption(), kVoiceButtonCaption);
  EXPECT_TRUE(voice.button_enabled());
  EXPECT_TRUE(voice.OnVoiceTick().empty());  // a tick queued before the stop changes nothing

  voice.SendVoiceMessage("Ann", connection.Send());
  EXPECT_EQ(connection.blocks.size(), 2u);
  EXPECT_EQ(voice.cooldown_seconds(), 60);
}

TEST(VoiceMessages, ARefusedSendSaysSoAndStartsNoCooldown) {
  VoiceMessages voice = ConnectedVoice();  // connected once, the connection lost since
  Outbox connection;
  connection.connected = false;
  const VoiceUpdate refused = voice.SendVoiceMessage("Ann", connection.Send());
  EXPECT_EQ(refused.status_text, std::string(kVoiceSendFailedText));
  EXPECT_FALSE(refused.button_enabled);
  EXPECT_EQ(refused.cooldown_timer, TimerChange::kNone);
  EXPECT_EQ(refused.tick_timer, TimerChange::kNone);
  EXPECT_TRUE(voice.button_enabled());
  EXPECT_EQ(voice.cooldown_seconds(), 0);

  connection.connected = true;
  voice.SendVoiceMessage("Ann", connection.Send());
  EXPECT_EQ(connection.blocks.size(), 1u);
}

TEST(VoiceMessages, TheButtonWaitsForTheFirstConnection) {
  VoiceMessages voice;
  Outbox connection;
  EXPECT_FALSE(voice.button_enabled());
  EXPECT_TRUE(voice.SendVoiceMessage("Ann", connection.Send()).empty());
  EXPECT_TRUE(connection.blocks.empty());
  EXPECT_EQ(voice.SetSendingAllowed(true).button_enabled, true);
}

TEST(VoiceMessages, EnteringABoxClearsItEveryTime) {
  VoiceMessages voice;
  EXPECT_EQ(voice.BoxText(VoiceBox::kAddressee), kDesignedAddressee);
  const VoiceUpdate first = voice.BoxFocused(VoiceBox::kMessage, FocusCause::kEntered);
  EXPECT_EQ(first.cleared_box, VoiceBox::kMessage);
  EXPECT_EQ(voice.BoxText(VoiceBox::kMessage), "");
  EXPECT_EQ(voice.BoxText(VoiceBox::kAddressee), kDesignedAddressee);

  voice.SetBoxText(VoiceBox::kMessage, "第一次写的话");
  // Coming back to the window, or out of the box's context menu, is no new entry.
  EXPECT_TRUE(voice.BoxFocused(VoiceBox::kMessage, FocusCause::kWindowReactivated).empty());
  EXPECT_TRUE(voice.BoxFocused(VoiceBox::kMessage, FocusCause::kPopupClosed).empty());
  EXPECT_EQ(voice.BoxText(VoiceBox::kMessage), "第一次写的话");
  voice.BoxFocused(VoiceBox::kMessage, FocusCause::kEntered);
  EXPECT_EQ(voice.BoxText(VoiceBox::kMessage), "");

  voice.BoxFocused(VoiceBox::kAddressee, FocusCause::kEntered);
  EXPECT_EQ(voice.BoxText(VoiceBox::kAddressee), "");

  EXPECT_EQ(FocusCauseOf(Qt::MouseFocusReason), FocusCause::kEntered);
  EXPECT_EQ(FocusCauseOf(Qt::TabFocusReason), FocusCause::kEntered);
  EXPECT_EQ(FocusCauseOf(Qt::ActiveWindowFocusReason), FocusCause::kWindowReactivated);
  EXPECT_EQ(FocusCauseOf(Qt::PopupFocusReason), FocusCause::kPopupClosed);
}

TEST(VoiceController, RealTimersCountDownAndEndTheCooldown) {
  testing::EnsureApplication();
  // The designed periods scaled down 500 times: the whole cool-down takes 120 ms.
  const VoiceTimerPeriods periods{std::chrono::milliseconds(120), std::chrono::milliseconds(2)};
  std::vector<std::string> captions;
  std::vector<bool> enabled_states;
  VoiceController voice(
      [&](const VoiceUpdate& update) {
        if (update.button_caption) captions.push_back(*update.button_caption);
        if (update.button_enabled) enabled_states.push_back(*update.button_enabled);
      },
      periods);
  EXPECT_EQ(voice.cooldown_timer().interval(), 120);
  EXPECT_TRUE(voice.cooldown_timer().isSingleShot());
  EXPECT_EQ(voice.tick_timer().interval(), 2);
  EXPECT_FALSE(voice.tick_timer().isSingleShot());

  Outbox connection;
  voice.SetSendingAllowed(true);
  voice.SendVoiceMessage(kDesignedNameLabel, connection.Send());
  ASSERT_EQ(connection.blocks.size(), 1u);
  EXPECT_TRUE(voice.cooldown_timer().isActive());
  EXPECT_TRUE(voice.tick_timer().isActive());

  ASSERT_TRUE(testing::ProcessEventsUntil(
      [&] { return !voice.cooldown_timer().isActive() && !voice.tick_timer().isActive(); }));
  EXPECT_TRUE(voice.model().button_enabled());
  EXPECT_EQ(voice.model().button_caption(), kVoiceButtonCaption);
  // Every second of the count showed, in order, whichever timer came first at the end.
  std::vector<std::string> countdown;
  for (const std::string& caption : captions) {
    if (caption != kVoiceButtonCaption) countdown.push_back(caption);
  }
  ASSERT_EQ(countdown.size(), 60u);
  EXPECT_EQ(countdown.front(), "59秒后可再次发送");
  EXPECT_EQ(countdown.back(), "0秒后可再次发送");
  EXPECT_EQ(captions.back(), kVoiceButtonCaption);
  EXPECT_EQ(enabled_states.front(), true);  // the connection enabled it
  EXPECT_EQ(enabled_states.back(), true);   // and the end of the cool-down again

  voice.SendVoiceMessage(kDesignedNameLabel, connection.Send());
  EXPECT_EQ(connection.blocks.size(), 2u);
}

}  // namespace
}  // namespace quilla::client
