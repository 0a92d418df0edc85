#pragma once

#include "common/UnitSystem.h"
#include "monitor/MonitorData.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The lab monitor's pages: plain HTML and CSS with a little JavaScript for the refresh. Every text that
// comes from the database goes through escape(); every test name in a link through testHref(), so a name
// holding "/", "..", "%", quotes or "<script>" is a name and never a path or markup.
namespace monitor::pages {

// & < > " ' as character references.
QString escape(const QString& text);
// The name as one path segment: everything but letters, digits and "-._~" percent-encoded (UTF-8).
QString pathSegment(const QString& name);
// The test's page (suffix: "/chart.png", "/download/csv", ...). A name that a browser would take for a
// "." or ".." segment (and drop) goes into the query instead: "/tests?name=..".
QString testHref(const QString& name, const QString& suffix = {});

// The chart the test page shows.
struct ChartChoice {
    int type = 0;  // 0 to 5, the 2D types of the main window
    bool xlog = false;
    bool ylog = false;
};

// "/": the units board; tilesOnly gives the tiles alone (what the page's refresh fetches).
QByteArray board(const QList<UnitTile>& units, bool tilesOnly);
// "/tests": the stored tests, newest first, with the search box holding search.
QByteArray testList(const QList<TestEntry>& tests, const QString& search);
// "/tests/<name>": information, additives, results, chart and downloads. recording: the unit that records
// the test now (a fresh status names it), so the page names it and follows its readings. liveOnly gives
// the part the refresh replaces.
QByteArray testPage(const OpenedTest& test, UnitSystem units, const ChartChoice& chart,
                    const std::optional<UnitTile>& recording, bool liveOnly);
// The 401 answer's page: the login form (failed: a token was given and was wrong).
QByteArray login(bool failed);
// A short page with a heading and a sentence (404, 400, 500, 503).
QByteArray message(const QString& title, const QString& text);

}  // namespace monitor::pages
