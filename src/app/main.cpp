// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_window.h"
#include "audio/audio_engine.h"
#include "audio/engine_player.h"
#include "platform/clock.h"
#include "platform/curl_http_fetch.h"
#include "platform/program_files.h"
#include "platform/quote_socket.h"
#include "quotes/quote_cache_file.h"
#include "toolkit/message_box.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantrel"));
    // A Wayland compositor finds the window's icon and name through its app id, which must name the
    // desktop entry; it is sent when the window is created.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vantrel.vantrel"));
    // The window layouts are fixed in twips and were drawn for a small dialog font.
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);

    vantrel::AudioEngine audio;
    vantrel::CurlHttpFetch inet1(vantrel::quoteSocketPath());
    vantrel::DialogMessageBox messages;
    vantrel::SystemClock clock;
    vantrel::Form1 form1({inet1, messages, clock,
                          [&audio](QObject *parent) { return new vantrel::EnginePlayer(audio, parent); },
                          vantrel::QuoteCacheFile::defaultPath(), vantrel::programDirectory()});
    form1.load();
    form1.show();
    return app.exec();
}
