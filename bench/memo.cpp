// Typing into a memo of 10,000 lines: one key through the message loop and the repaint of the
// form it causes (aim: under 5 ms).
#include <benchmark/benchmark.h>

#include <string>

#include "core/r_base.h"
#include "platform/controls.h"
#include "platform/windows.h"
#include "ui/r_edit2.h"

using namespace platform;

static void BM_MemoKeyAndRepaint(benchmark::State& st) {
  auto b = std::make_unique<THeadlessBackend>();
  THeadlessBackend* hb = b.get();
  resetDesktop(std::move(b));
  createOs();
  {
    TForm form;
    form.SetBounds(0, 0, 800, 600);
    form.Show();
    Tmemo memo(&form);
    memo.SetBounds(0, 0, 780, 580);
    memo.setVerticalScroll(true);
    memo.setHorizontalScroll(true);
    std::string text;
    for (int i = 0; i < 10000; ++i) text += "Line " + std::to_string(i) + " of the notes, with some words to measure.\n";
    memo.setText(text);
    memo.setCaretPos({10, 5000});
    desktop().setFocus(memo.Handle());
    desktop().processMessages();
    TInputEvent e;
    e.kind = TInputEvent::Text;
    e.form = form.Handle();
    e.text = "x";
    for (auto _ : st) {
      hb->inject(e);
      desktop().processMessages();  // the key, then the paint
      benchmark::DoNotOptimize(memo.lineCount());
    }
  }
  freeOs();
}
BENCHMARK(BM_MemoKeyAndRepaint)->Unit(benchmark::kMillisecond);
