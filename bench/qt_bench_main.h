// The main of a benchmark that drives windows through the Qt back-end:
// offscreen unless a platform is named, the Kestrel driver registered.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

#include "runtime/kestrel/driver/kestrel_driver.h"
#include "runtime/ui/qt/qt_backend.h"
#include "bench/offscreen_platform.h"

namespace qvbench {

inline int RunWindowBenchmarks(int argc, char** argv) {
  UseOffscreenPlatform();
  QApplication app(argc, argv);
  kestrel::RegisterKestrelDriver();
  ui::qt::QtBackend backend;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace qvbench
