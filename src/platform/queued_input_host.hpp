// What the hosts that keep the console's input themselves share (every one
// but the Windows host, whose system keeps it): the record queue's peek and
// read, the input mode, the control and at-exit handler lists, and the US
// layout's answers.
#pragma once

#include <cstdint>
#include <deque>

#include "platform/handler_lists.hpp"
#include "platform/host.hpp"

namespace maze {

class QueuedInputHost : public Host {
 public:
  // Kept for whoever reads it back; fails when the input is not a console.
  bool getInputMode(std::uint32_t& mode) override;
  bool setInputMode(std::uint32_t mode) override;
  // Each pumps the input first when it finds the queue empty.
  bool peekInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) override;
  bool readInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) override;
  bool setCtrlHandler(CtrlHandler handler, bool add) override;
  std::uint32_t mapVirtualKey(std::uint32_t code, std::uint32_t mapType) override;
  bool atExit(ExitHandler handler) override;

 protected:
  enum class Taking { Peek, Read };

  explicit QueuedInputHost(std::uint32_t inputMode = kDefaultInputMode) : inputMode_(inputMode) {}

  virtual std::deque<InputRecord>& inputQueue() = 0;
  // Takes into the queue what has arrived, without waiting.
  virtual void pumpInput(Taking taking) = 0;
  // The input has a console mode.
  virtual bool consoleInput() const = 0;

  std::uint32_t inputMode_;
  CtrlHandlerList ctrlHandlers_;
  ExitHandlerList exitHandlers_;
};

}  // namespace maze
