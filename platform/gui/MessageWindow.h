#pragma once
// A hidden window of the GUI thread that other threads post messages to, and the
// application's idle notification: what a worker thread needs to hand work to the GUI thread.
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/rtl/Component.h"

class QSocketNotifier;

namespace orv {

struct TMessage {
  int Msg = 0;
  intptr_t WParam = 0;
  intptr_t LParam = 0;
};

// Messages posted from any thread are handed to the window procedure on the GUI thread, one
// at a time, in the order posted. The queue is a pipe, so posting never waits and the
// hand-over is a point of order between the threads. Made and freed on the GUI thread.
class TMessageWindow {
 public:
  using TWndProc = std::function<void(TMessage& Message)>;
  explicit TMessageWindow(TWndProc WndProc);
  ~TMessageWindow();
  TMessageWindow(const TMessageWindow&) = delete;
  TMessageWindow& operator=(const TMessageWindow&) = delete;

  // Any thread. False when the queue is full and the message was not posted.
  bool PostMessage(int Msg, intptr_t WParam = 0, intptr_t LParam = 0);

 private:
  void Deliver();
  TWndProc wndProc_;
  int readFd_ = -1;
  int writeFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
};

using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;

// Fires OnIdle on the GUI thread each time the message loop has handled everything waiting
// and is about to wait for more.
class TApplicationEvents : public TComponent {
  ORV_CLASS(TApplicationEvents, TComponent)

 public:
  explicit TApplicationEvents(TComponent* AOwner);
  ~TApplicationEvents() override;

  TIdleEvent OnIdle;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orv
