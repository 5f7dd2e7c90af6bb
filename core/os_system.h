// System services of the services object: sounds, opening addresses, starting programs, message
// queue and key-state tests, waits and one-shot delayed events (TDelayedEvent.h).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/TStringList.h"
#include "platform/messages.h"

// Sound codes.
enum : int32_t {
  sound_snap = 1, sound_delete = 2, sound_illegal = 3, sound_tada = 4, sound_minibeep = 5, sound_tap = 6,
  sound_backup = 7, sound_bigdelete = 8
};

class TtrailSource;
using TDelayedHandler = std::function<void(TtrailSource* sender)>;

class TosSystem {
 public:
  virtual ~TosSystem() = default;

  void sound(int32_t choice);
  void gotoWeb(std::string const& url) { gotoWeb(url, ""); }
  void gotoWeb(std::string const& base, std::string const& page);
  // Starts the program with the command line; hidden: our own programs show no window (any
  // other cannot be asked: logged).
  void Launch(std::string const& exeName, std::string const& commandLine, bool hidden);
  void ReStart(std::string const& commandLine);
  [[nodiscard]] std::string const& HelpTopic() const { return ftopic; }
  void setTopic(std::string const& v);

  // Drops one pending message that may be dropped (never a gesture's end, a key, paint or timer).
  void ClearNull();
  // True once Esc was pressed (or is held) since it was last cleared.
  [[nodiscard]] bool abort();
  void setabort(bool v);
  // Removes the next left-button release of the window; false when none came (the button was
  // already up, or nothing within the limit).
  bool absorbMouseUp(platform::HWND win, uint32_t limitMs = 10000);
  void toScreen(platform::HWND win, int& x, int& y);
  [[nodiscard]] bool isMouseButtonDown() const;
  [[nodiscard]] bool isShiftKeyDown() const;
  [[nodiscard]] bool isControlKeyDown() const;
  [[nodiscard]] bool isAltKeyDown() const;
  [[nodiscard]] bool isEditActive() const;
  // True when more than 200 ms passed since the last call.
  bool checkmenu();

  // Waits without spinning; windows keep painting, input and timers wait until it returns.
  void delay(uint32_t milliseconds);
  void delay(uint32_t milliseconds, TDelayedHandler event);
  void delay(uint32_t milliseconds, TDelayedHandler event, std::string const& logHint);
  void delay(uint32_t milliseconds, TDelayedHandler event, TtrailSource* sender);
  void delay(uint32_t milliseconds, TDelayedHandler event, TtrailSource* sender, std::string const& logHint);

  // Adds the descriptions of systemd's services (sorted by unit name); false, nothing added,
  // where systemd is not running.
  bool windowsServices(TStringList& list);
  // Physical memory in units of 1048576 bytes, truncated.
  void MemoryStatus(uint32_t& totalMb, uint32_t& usedMb);

  bool fabort = false;
  uint32_t menuTickcount = 0;
  std::string ftopic;
  std::function<void(void*)> onHelpTopic;
};
