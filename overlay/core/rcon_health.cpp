#include "overlay/core/rcon_health.h"

namespace {

LinkHealth HealthOfAnswer(std::string_view reply) {
  if (reply.find("Bad rconpassword") != std::string_view::npos) return LinkHealth::BadPassword;
  if (reply.find("No rconpassword set") != std::string_view::npos) return LinkHealth::NoPassword;
  return LinkHealth::Answering;
}

}  // namespace

void RconHealth::Finished(const FinishedRequest& finished) {
  if (state_ == LinkHealth::UnusablePassword) return;
  if (finished.answered) {
    missed_ = 0;
    state_ = HealthOfAnswer(finished.reply.text);
    return;
  }
  // A command may have nothing to say; only the polls must be answered.
  if (finished.request.kind == RequestKind::Command) return;
  if (++missed_ >= kMissedPolls) state_ = LinkHealth::Silent;
}

std::string RconHealth::StatusText() const {
  switch (state_) {
    case LinkHealth::Silent: return kNoAnswerMessage;
    case LinkHealth::BadPassword: return kBadPasswordMessage;
    case LinkHealth::NoPassword: return kNoPasswordMessage;
    case LinkHealth::UnusablePassword: return kUnusablePasswordMessage;
    case LinkHealth::Waiting:
    case LinkHealth::Answering: return {};
  }
  return {};
}
