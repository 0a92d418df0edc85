#pragma once

#include <QHash>
#include <QProcess>
#include <QString>
#include <QVariant>
#include <QXmlStreamReader>

// Reads back what a test needs of an .xlsx file, through `unzip -p`: the cells of the first sheet (text
// or number, by their "A1" address), the sheet's XML and the workbook's XML.
class XlsxReader {
  public:
    explicit XlsxReader(const QString& path) : path_(path) {
        const QStringList strings = sharedStrings(part(QStringLiteral("xl/sharedStrings.xml")));
        sheetXml = part(QStringLiteral("xl/worksheets/sheet1.xml"));
        workbookXml = part(QStringLiteral("xl/workbook.xml"));
        QXmlStreamReader xml(sheetXml);
        QString address, type;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement()) continue;
            if (xml.name() == u"c") {
                address = xml.attributes().value(QStringLiteral("r")).toString();
                type = xml.attributes().value(QStringLiteral("t")).toString();
            } else if (xml.name() == u"v") {
                const QString v = xml.readElementText();
                cells.insert(address,
                             type == u"s" ? QVariant(strings.value(v.toInt())) : QVariant(v.toDouble()));
            } else if (xml.name() == u"t" && type == u"inlineStr") {
                cells.insert(address, xml.readElementText());
            }
        }
    }

    QVariant cell(const QString& address) const { return cells.value(address); }

    QHash<QString, QVariant> cells;
    QString sheetXml;
    QString workbookXml;

  private:
    QString part(const QString& name) const {
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path_, name});
        unzip.waitForFinished(30000);
        return QString::fromUtf8(unzip.readAllStandardOutput());
    }

    static QStringList sharedStrings(const QString& xmlText) {
        QStringList strings;
        QXmlStreamReader xml(xmlText);
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"si") strings << QString();
            if (xml.isStartElement() && xml.name() == u"t") strings.last() += xml.readElementText();
        }
        return strings;
    }

    QString path_;
};
