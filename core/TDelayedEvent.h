// TDelayedEvent: a one-shot timer object behind os.delay(milliseconds, event).
#pragma once
#include <cstdint>
#include <string>

#include "core/os_system.h"
#include "core/r_base.h"

// A one-shot timer that calls its event once after the interval, then frees itself. An interval
// of 0 runs on the next turn of the message loop. Made with new; the owner must drop its pointer
// once the event has run, and may restart it only while pending (restart(id) checks that).
class TDelayedEvent : public TqyObject {
 public:
  TDelayedEvent(uint32_t interval, TDelayedHandler event);
  ~TDelayedEvent() override;
  // The full interval starts again from now; false (and nothing touched) once it has run.
  bool restart();
  static bool restart(uint64_t id);
  [[nodiscard]] static bool pending(uint64_t id);
  [[nodiscard]] uint64_t serial() const { return fserial; }

  TDelayedHandler fevent;
  TtrailSource* sender = nullptr;  // borrowed; the event receives this object when unset
  int tag = 0;

 private:
  void doTimer();
  uintptr_t ftimer = 0;
  uint32_t finterval = 0;
  uint64_t fserial = 0;
};

