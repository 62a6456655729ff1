#include "platform/gui/MessageWindow.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

#include "platform/gui/Application.h"

namespace orv {

TMessageWindow::TMessageWindow(TWndProc WndProc) : wndProc_(std::move(WndProc)) {
  Application->Initialize();
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
    throw EOSError("Cannot create a message window: " + String(std::strerror(errno)));
  readFd_ = fds[0];
  writeFd_ = fds[1];
  notifier_ = std::make_unique<QSocketNotifier>(readFd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Deliver(); });
}

TMessageWindow::~TMessageWindow() {
  notifier_.reset();
  close(readFd_);
  close(writeFd_);
}

bool TMessageWindow::PostMessage(int Msg, intptr_t WParam, intptr_t LParam) {
  // One message is far below PIPE_BUF, so it is written whole or not at all.
  TMessage message{Msg, WParam, LParam};
  ssize_t written;
  do written = write(writeFd_, &message, sizeof message);
  while (written < 0 && errno == EINTR);
  return written == sizeof message;
}

void TMessageWindow::Deliver() {
  TMessage message;
  while (read(readFd_, &message, sizeof message) == sizeof message) {
    try {
      wndProc_(message);
    } catch (...) {
      Application->HandleException(nullptr);
    }
  }
}

struct TApplicationEvents::Impl {
  QMetaObject::Connection idle;
};

TApplicationEvents::TApplicationEvents(TComponent* AOwner)
    : TComponent(AOwner), impl_(std::make_unique<Impl>()) {
  Application->Initialize();
  auto* dispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
  impl_->idle = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this] {
    bool done = true;
    if (OnIdle) OnIdle(this, done);
  });
}

TApplicationEvents::~TApplicationEvents() { QObject::disconnect(impl_->idle); }

ORV_IMPLEMENT_CLASS(TApplicationEvents, c) {}

}  // namespace orv
