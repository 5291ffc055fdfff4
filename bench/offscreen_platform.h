// Qt's offscreen platform for the benchmarks, with the 1920x1080 screen the
// tests use (its own default screen, 800x600, would make the windows draw
// themselves smaller to fit), unless QT_QPA_PLATFORM names a platform.
#pragma once

#include <QByteArray>
#include <QtGlobal>

inline void UseOffscreenPlatform() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + QV_SOURCE_DIR "/tests/offscreen_screen.json");
}
