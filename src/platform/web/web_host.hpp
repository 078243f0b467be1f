// The host in a web page. The page's terminal (xterm, as large as the page
// gives it room for) shows an in-memory screen of its size, drawn by the
// terminal renderer after every output call and told to the page's
// transcript at every wait; keys typed into it are decoded as a
// terminal's. Every wait hands the browser its thread back, and costs
// nothing while nobody types. A page raises no control events: the
// handlers are only kept.
#pragma once

#include <cstdint>

#include "platform/memory/screen_transcript.hpp"
#include "platform/queued_input_host.hpp"
#include "platform/terminal/terminal_renderer.hpp"
#include "platform/terminal/terminal_screen.hpp"
#include "platform/web/page_bridge.hpp"
#include "platform/web/web_input.hpp"

namespace maze {

class WebHost final : public QueuedInputHost {
 public:
  WebHost();

  // The page always has its terminal: there is no stream mode.
  ScreenBuffer& screen() { return screen_; }

  bool peekInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) override;
  bool readInput(InputRecord* records, std::uint32_t count, std::uint32_t& read) override;
  bool waitForInput(std::uint32_t timeoutMs) override;
  bool writeBytes(const void* bytes, std::uint32_t length, std::uint32_t& written) override;
  void flushScreen() override;
  bool beep(std::uint32_t frequency, std::uint32_t durationMs) override;
  void sleep(std::uint32_t ms) override;
  bool queryPerformanceFrequency(std::int64_t& frequency) override;
  bool queryPerformanceCounter(std::int64_t& counter) override;
  std::uint32_t tickCount() override;
  void setFloatingPointControl(std::uint32_t value, std::uint32_t mask) override;
  [[noreturn]] void exitProcess(int status) override;

 private:
  std::deque<InputRecord>& inputQueue() override { return input_.records(); }
  void pumpInput(Taking) override { input_.pump(); }
  // The page's terminal is a console.
  bool consoleInput() const override { return true; }

  explicit WebHost(page::TerminalSize size);
  void beforeWaiting();
  void followPageSize();
  void draw();
  void announce();

  TerminalScreen screen_;
  TerminalRenderer renderer_;
  ScreenTranscript transcript_;
  WebInput input_;
};

}  // namespace maze
