#include "monitor/MonitorPages.h"

#include "analysis/ChartKinds.h"
#include "common/VbFormat.h"

#include <QUrl>

#include <algorithm>

namespace monitor::pages {

namespace {

const char* const kStyle = R"(<style>
body{font-family:sans-serif;margin:0;background:#f4f5f7;color:#222}
header{background:#1d3557;color:#fff;padding:.6em 1em;display:flex;gap:1.5em;align-items:baseline}
header a{color:#fff;text-decoration:none}header h1{font-size:1.2em;margin:0}
main{padding:1em}
.tiles{display:grid;grid-template-columns:repeat(auto-fill,minmax(16em,1fr));gap:.8em}
.tile{background:#fff;border-radius:6px;padding:.7em;border-left:.5em solid #2a9d8f;box-shadow:0 1px 3px #0002}
.tile h2{font-size:1em;margin:0 0 .3em}.tile .state{font-weight:bold}
.tile dl{display:grid;grid-template-columns:auto 1fr;gap:.1em .6em;margin:.4em 0 0}.tile dt{color:#666}
.tile dd{margin:0;text-align:right;font-variant-numeric:tabular-nums}
.idle{border-left-color:#8d99ae}.shear-rate-ramp{border-left-color:#457b9d}
.not-answering,.port-lost{border-left-color:#e63946;background:#fff0f0}
.stale{border-left-color:#f4a261;background:#fff7e6;opacity:.85}.stale .age{color:#b35c00;font-weight:bold}
table{border-collapse:collapse;background:#fff;margin:.5em 0}td,th{border:1px solid #ccc;padding:.2em .5em;
font-variant-numeric:tabular-nums}th{background:#e9ecef;font-weight:normal;white-space:pre-line}
.chart img{max-width:100%;background:#fff;border:1px solid #ccc}
nav.choices a{margin-right:.6em}nav.choices a.on{font-weight:bold;text-decoration:none;color:#222}
.empty{color:#666}
.refresh-note{background:#fff0f0;border:1px solid #e63946;padding:.3em .6em;margin:0 0 .6em}
</style>)";

QByteArray document(const QString& title, const QString& body, const QString& script = {}) {
    QString html = QStringLiteral(
                       "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">"
                       "<title>%1</title>")
                       .arg(escape(title));
    html += QLatin1String(kStyle);
    html += QStringLiteral(
        "</head><body><header><h1>R7716 Lab Monitor</h1><a href=\"/\">Units</a>"
        "<a href=\"/tests\">Tests</a></header><main>");
    html += body;
    html += QStringLiteral("</main>");
    if (!script.isEmpty()) html += QStringLiteral("<script>") + script + QStringLiteral("</script>");
    html += QStringLiteral("</body></html>\n");
    return html.toUtf8();
}

QString fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString ageText(qint64 age_s) {
    if (age_s < 120) return QStringLiteral("%1 s ago").arg(age_s);
    if (age_s < 7200) return QStringLiteral("%1 min ago").arg(age_s / 60);
    return QStringLiteral("%1 h ago").arg(age_s / 3600);
}

QString stateCaption(const store::UnitStatusRow& s) {
    switch (s.activity) {
        case store::UnitActivity::Idle:
            return QStringLiteral("Idle");
        case store::UnitActivity::TemperatureRamp:
            return QStringLiteral("Running: temperature ramp %1").arg(s.rampNo);
        case store::UnitActivity::ShearRateRamp:
            return QStringLiteral("Running: shear-rate ramp %1, step %2").arg(s.rampNo).arg(s.stepNo);
        case store::UnitActivity::NotAnswering:
            return QStringLiteral("Not answering");
        case store::UnitActivity::PortLost:
            return QStringLiteral("Port lost");
    }
    return {};
}

QString tile(const UnitTile& unit) {
    const store::UnitStatusRow& s = unit.status;
    QString classes = QStringLiteral("tile ") + store::activityText(s.activity);
    if (unit.stale) classes += QStringLiteral(" stale");
    const auto row = [](const QString& label, const QString& value) {
        return QStringLiteral("<dt>%1</dt><dd>%2</dd>").arg(label, value);
    };
    QString html = QStringLiteral("<section class=\"%1\"><h2>Unit %2 &middot; %3</h2>")
                       .arg(classes)
                       .arg(s.unit)
                       .arg(escape(s.station));
    html += QStringLiteral("<div class=\"state\">%1</div>").arg(escape(stateCaption(s)));
    if (!s.stateText.isEmpty()) html += QStringLiteral("<div>%1</div>").arg(escape(s.stateText));
    html += QStringLiteral("<dl>");
    if (!s.testName.isEmpty())
        html += row(
            QStringLiteral("Test"),
            QStringLiteral("<a href=\"%1\">%2</a>").arg(escape(testHref(s.testName)), escape(s.testName)));
    if (!s.sequenceName.isEmpty()) html += row(QStringLiteral("Sequence"), escape(s.sequenceName));
    html += row(QStringLiteral("Sample"), fixed(s.sampleTemp_F, 1) + QStringLiteral(" &deg;F"));
    html += row(QStringLiteral("Bath"), fixed(s.bathTemp_F, 1) + QStringLiteral(" &deg;F"));
    html += row(QStringLiteral("Set point"), fixed(s.setPoint_F, 1) + QStringLiteral(" &deg;F"));
    html += row(QStringLiteral("Pressure"), fixed(s.pressure_psi, 0) + QStringLiteral(" psi"));
    html += row(QStringLiteral("Shear rate"), fixed(s.shearRate_1ps, 1) + QStringLiteral(" 1/s"));
    html += row(QStringLiteral("Viscosity"), fixed(s.viscosity_cP, 1) + QStringLiteral(" cP"));
    if (s.readingsWaiting > 0)
        html += row(QStringLiteral("Waiting"), QStringLiteral("%1 readings").arg(s.readingsWaiting));
    html += row(QStringLiteral("Status"),
                QStringLiteral("<span class=\"age\">%1%2</span>")
                    .arg(ageText(unit.age_s), unit.stale ? QStringLiteral(" (stale)") : QString()));
    html += QStringLiteral("</dl></section>");
    return html;
}

QString tiles(const QList<UnitTile>& units) {
    if (units.isEmpty())
        return QStringLiteral("<p class=\"empty\">No unit is served by any program right now.</p>");
    QString html;
    for (const UnitTile& unit : units) html += tile(unit);
    return html;
}

// Refreshes an element from the same address with a query parameter, without reloading the page. A refresh
// that fails (the server gone, an answer that is not 200) is said in a line before the element, so that
// values that stopped moving are never taken for live ones; the next refresh that works takes it away.
QString refreshScript(const QString& elementId, const QString& parameter, int interval_ms,
                      const QString& after) {
    return QStringLiteral(
               "{const say=(m)=>{const e=document.getElementById('%1');let "
               "n=document.getElementById('%1-note');"
               "if(!n){n=document.createElement('p');n.id='%1-note';n.className='refresh-note';e.before(n);}"
               "if(m&&!n.hidden&&n.textContent)return;n.textContent=m;n.hidden=!m;};"
               "setInterval(async()=>{try{const u=new URL(location.href);u.searchParams.set('%2','1');"
               "const r=await fetch(u,{credentials:'same-origin',cache:'no-store'});"
               "if(!r.ok){say('Not refreshed since '+new Date().toLocaleTimeString()+': the server answered '"
               "+r.status+'. Trying again.');return;}"
               "const t=await r.text();const "
               "e=document.getElementById('%1');say('');if(e.dataset.v!==r.headers.get("
               "'X-Version')){e.innerHTML=t;e.dataset.v=r.headers.get('X-Version');%4}}"
               "catch(x){say('Not refreshed since '+new Date().toLocaleTimeString()+': the monitor cannot be "
               "reached ('+x.message+'). Trying again.');}},%3);}")
        .arg(elementId, parameter)
        .arg(interval_ms)
        .arg(after);
}

QString table(const QStringList& header, const QList<QStringList>& rows) {
    QString html = QStringLiteral("<table><tr>");
    for (const QString& cell : header)
        html += QStringLiteral("<th>%1</th>").arg(escape(QString(cell).replace(u'\r', QString())));
    html += QStringLiteral("</tr>");
    for (const QStringList& row : rows) {
        html += QStringLiteral("<tr>");
        for (qsizetype c = 0; c < header.size(); ++c)
            html += QStringLiteral("<td>%1</td>").arg(escape(row.value(c)));
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

QString chartQuery(const ChartChoice& chart, UnitSystem units) {
    QString query = QStringLiteral("type=%1&units=%2").arg(chart.type).arg(unitSystemName(units));
    if (chart.xlog) query += QStringLiteral("&xlog");
    if (chart.ylog) query += QStringLiteral("&ylog");
    return query;
}

// A link to the same test page with other choices.
QString choiceLink(const OpenedTest& test, const ChartChoice& chart, UnitSystem units, const QString& caption,
                   bool on) {
    const QString href = testHref(test.name);
    const QString joiner = href.contains(u'?') ? QStringLiteral("&") : QStringLiteral("?");
    return QStringLiteral("<a%1 href=\"%2\">%3</a>")
        .arg(on ? QStringLiteral(" class=\"on\"") : QString(),
             escape(href + joiner + chartQuery(chart, units)), escape(caption));
}

QString liveSection(const OpenedTest& test, UnitSystem units, const ChartChoice& chart) {
    QString html = QStringLiteral("<h2>Results</h2>");
    // The main window's grid keeps a row for every ramp; a page shows the ramps that have a result.
    QList<QStringList> rows;
    for (const QStringList& row : test.results.rows)
        if (std::any_of(row.begin(), row.end(),
                        [](const QString& cell) { return !cell.trimmed().isEmpty(); }))
            rows.append(row);
    html += rows.isEmpty() ? QStringLiteral("<p class=\"empty\">No shear-rate ramp yet.</p>")
                           : table(test.results.header, rows);
    const QString chartHref = testHref(test.name, QStringLiteral("/chart.png"));
    const QString joiner = chartHref.contains(u'?') ? QStringLiteral("&") : QStringLiteral("?");
    html += QStringLiteral(
                "<div class=\"chart\"><img alt=\"chart\" width=\"1000\" height=\"650\" src=\"%1\"></div>")
                .arg(escape(chartHref + joiner + chartQuery(chart, units) +
                            QStringLiteral("&n=%1").arg(test.readings.size())));
    html += QStringLiteral("<p>%1 readings</p>").arg(test.readings.size());
    return html;
}

}  // namespace

QString escape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case '&':
                out += QLatin1String("&amp;");
                break;
            case '<':
                out += QLatin1String("&lt;");
                break;
            case '>':
                out += QLatin1String("&gt;");
                break;
            case '"':
                out += QLatin1String("&quot;");
                break;
            case '\'':
                out += QLatin1String("&#39;");
                break;
            default:
                out += c;
        }
    }
    return out;
}

QString pathSegment(const QString& name) {
    return QString::fromLatin1(QUrl::toPercentEncoding(name));
}

QString testHref(const QString& name, const QString& suffix) {
    // A browser resolves "." and ".." (also written %2E) before it asks: such a name goes in the query.
    const QString lower = name.toLower();
    const bool dotSegment = lower == QLatin1String(".") || lower == QLatin1String("..");
    if (dotSegment || name.isEmpty())
        return QStringLiteral("/tests%1?name=%2").arg(suffix, pathSegment(name));
    return QStringLiteral("/tests/") + pathSegment(name) + suffix;
}

QByteArray board(const QList<UnitTile>& units, bool tilesOnly) {
    if (tilesOnly) return tiles(units).toUtf8();
    const QString body =
        QStringLiteral("<div id=\"tiles\" class=\"tiles\">") + tiles(units) + QStringLiteral("</div>");
    return document(QStringLiteral("Units - R7716 Lab Monitor"), body,
                    refreshScript(QStringLiteral("tiles"), QStringLiteral("tiles"), 3000, {}));
}

QByteArray testList(const QList<TestEntry>& tests, const QString& search) {
    QString body = QStringLiteral(
                       "<form method=\"get\" action=\"/tests\"><input type=\"search\" name=\"q\" "
                       "value=\"%1\" placeholder=\"Name, researcher or date\" autofocus> "
                       "<button>Search</button></form>")
                       .arg(escape(search));
    if (tests.isEmpty()) {
        body += QStringLiteral("<p class=\"empty\">No stored test matches.</p>");
    } else {
        body += QStringLiteral("<table><tr><th>Test</th><th>Time</th><th>Researcher</th></tr>");
        for (const TestEntry& test : tests)
            body += QStringLiteral("<tr><td><a href=\"%1\">%2</a></td><td>%3</td><td>%4</td></tr>")
                        .arg(escape(testHref(test.name)), escape(test.name), escape(timeText(test.time)),
                             escape(test.researcher));
        body += QStringLiteral("</table>");
    }
    return document(QStringLiteral("Tests - R7716 Lab Monitor"), body);
}

QByteArray testPage(const OpenedTest& test, UnitSystem units, const ChartChoice& chart,
                    const std::optional<UnitTile>& recording, bool liveOnly) {
    if (liveOnly) return liveSection(test, units, chart).toUtf8();
    const bool live = recording.has_value();
    QString body = QStringLiteral("<h1>%1</h1>").arg(escape(test.name));
    if (live)
        body += QStringLiteral(
                    "<p><b>Recording now</b> on Unit %1 &middot; %2 (%3): the results and the chart follow "
                    "its readings.</p>")
                    .arg(recording->status.unit)
                    .arg(escape(recording->status.station), escape(stateCaption(recording->status)));
    const QList<std::pair<const char*, InfoColumn>> info{{"Test time", InfoColumn::TEST_TIME},
                                                         {"Fluid", InfoColumn::FLUID_ID},
                                                         {"Researcher", InfoColumn::RESEARCHER_NAME},
                                                         {"Rotor", InfoColumn::ROTOR_NO},
                                                         {"Bob", InfoColumn::BOB_NO},
                                                         {"Bob radius (cm)", InfoColumn::BOB_RADIUS},
                                                         {"Bob eff. length (cm)", InfoColumn::BOB_EFF_LENGTH},
                                                         {"pH before", InfoColumn::PRETEST_PH},
                                                         {"pH after", InfoColumn::POSTTEST_PH},
                                                         {"Description", InfoColumn::SAFETY}};
    body += QStringLiteral("<table>");
    for (const auto& [label, column] : info)
        body += QStringLiteral("<tr><th>%1</th><td>%2</td></tr>")
                    .arg(QLatin1String(label), escape(infoText(test, column)));
    body += QStringLiteral("</table><h2>Additives</h2>");
    if (test.additives.isEmpty()) {
        body += QStringLiteral("<p class=\"empty\">None.</p>");
    } else {
        QList<QStringList> rows;
        for (const AdditiveRow& a : test.additives)
            rows.append({a.name, a.concentration.trimmed(), a.unit, a.lotNo});
        body += table({QStringLiteral("Additive"), QStringLiteral("Concentration"), QStringLiteral("Unit"),
                       QStringLiteral("Lot No.")},
                      rows);
    }
    body += QStringLiteral("<h2>Chart</h2><nav class=\"choices\">");
    const QStringList captions = ChartTypeCaptions(ChartDimension::TwoD);
    for (int type = 0; type < captions.size(); ++type) {
        ChartChoice other = chart;
        other.type = type;
        body += choiceLink(test, other, units, captions[type], type == chart.type);
    }
    ChartChoice toggled = chart;
    toggled.xlog = !chart.xlog;
    body += QStringLiteral(" | ") + choiceLink(test, toggled, units, QStringLiteral("X log"), chart.xlog);
    toggled = chart;
    toggled.ylog = !chart.ylog;
    body += choiceLink(test, toggled, units, QStringLiteral("Y log"), chart.ylog);
    body += QStringLiteral(" | Units:");
    for (UnitSystem system : {UnitSystem::CGS, UnitSystem::EI, UnitSystem::SI})
        body += QStringLiteral(" ") +
                choiceLink(test, chart, system, unitSystemName(system).toUpper(), system == units);
    body += QStringLiteral("</nav><div id=\"live\" data-v=\"%1\">").arg(test.readings.size());
    body += liveSection(test, units, chart);
    body += QStringLiteral("</div><h2>Downloads</h2><ul>");
    const QList<std::pair<const char*, const char*>> downloads{{"csv", "Readings (CSV)"},
                                                               {"brief", "Brief report (text)"},
                                                               {"brief-xlsx", "Brief workbook (.xlsx)"},
                                                               {"detail-xlsx", "Detail workbook (.xlsx)"},
                                                               {"detail-pdf", "Detail report (PDF)"}};
    for (const auto& [kind, caption] : downloads) {
        QString href = testHref(test.name, QStringLiteral("/download/") + QLatin1String(kind));
        if (QLatin1String(kind) == QLatin1String("brief") ||
            QLatin1String(kind) == QLatin1String("brief-xlsx"))
            href += (href.contains(u'?') ? QStringLiteral("&") : QStringLiteral("?")) +
                    QStringLiteral("units=") + unitSystemName(units);
        body += QStringLiteral("<li><a href=\"%1\">%2</a></li>").arg(escape(href), QLatin1String(caption));
    }
    body += QStringLiteral("</ul>");
    const QString script =
        live ? refreshScript(QStringLiteral("live"), QStringLiteral("live"), 5000, {}) : QString();
    return document(test.name + QStringLiteral(" - R7716 Lab Monitor"), body, script);
}

QByteArray login(bool failed) {
    QString body = QStringLiteral(
        "<h1>Sign in</h1><p>This lab monitor is read-only and asks for its access token "
        "once; the browser keeps a cookie afterwards.</p>");
    if (failed) body += QStringLiteral("<p><b>That token is not valid.</b></p>");
    body += QStringLiteral(
        "<form method=\"post\" action=\"/login\"><input type=\"password\" name=\"token\" "
        "autocomplete=\"current-password\" size=\"40\" autofocus> <button>Sign in</button></form>");
    return document(QStringLiteral("Sign in - R7716 Lab Monitor"), body);
}

QByteArray message(const QString& title, const QString& text) {
    return document(title, QStringLiteral("<h1>%1</h1><p>%2</p>").arg(escape(title), escape(text)));
}

}  // namespace monitor::pages
