#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// Runs a test in a fresh temporary working directory (the program opens "R7716.mdb", "initial.txt" and
// "TavikErr.log" by relative name) and restores the previous one afterwards.
class TempWorkDir {
  public:
    TempWorkDir() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~TempWorkDir() { QDir::setCurrent(previous_); }
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

  private:
    QString previous_;
    QTemporaryDir dir_;
};
