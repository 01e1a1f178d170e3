#pragma once
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "wsclass.h"

// For its lifetime, makes the window services take the program file for "harvik" in a new empty
// folder, so the INI file of any window created meanwhile lands there and nowhere else.
class TScratchProgram
{
public:
    TScratchProgram() : FPrevious(WsApplication.ExeName()) { WsApplication.SetExeName(Folder() + "/harvik"); }
    ~TScratchProgram() { WsApplication.SetExeName(FPrevious); }
    TScratchProgram(const TScratchProgram&) = delete;
    TScratchProgram& operator=(const TScratchProgram&) = delete;

    std::string Folder() const { return FFolder.path().toStdString(); }
    QString IniPath() const { return FFolder.filePath(QStringLiteral("harvik.INI")); }
    bool IniExists() const { return QFile::exists(IniPath()); }
    // The INI file's bytes; empty when there is none.
    QByteArray Ini() const
    {
        QFile file(IniPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void SetIni(const QByteArray& bytes) const
    {
        QFile file(IniPath());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(bytes);
    }

private:
    QTemporaryDir FFolder;
    std::string FPrevious;
};
