#include "ui/WindowState.h"

namespace kivora::ui {

Operation::Operation(OperationFlags& flags, ShowWork showWork)
    : flags_(flags), showWork_(std::move(showWork)), outer_(flags.running) {
  flags_.abortRequested = false;
  flags_.running = this;
}

Operation::~Operation() {
  SetAtWork(false);
  flags_.abortRequested = false;
  flags_.running = outer_;
}

void Operation::SetAtWork(bool atWork) {
  if (atWork == atWork_) return;
  atWork_ = atWork;
  flags_.busy = atWork;
  if (showWork_) showWork_(atWork);
}

}  // namespace kivora::ui
