// Driving the main window in tests as a person would: its settings, the
// Add Files and Extract dialogs filled and confirmed through their objects,
// and what the window and the files show afterwards.
#pragma once

#include "AppTestSupport.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>

namespace movrel {
class TMainform;
}

namespace movrel::test {

// One entry of a crafted archive, stored.
CraftEntry E(const std::string& name, const std::string& data);

// Settings of a run that has started before (so nothing is reset), with
// the work folder inside the test's own folder.
void Prefs(const TAppEnv& env, bool showOutput, bool addDocs = false);

void SetTime(const QString& path, const QDateTime& when);
QByteArray ReadAll(const QString& path);
// Pseudo-random text of n bytes: compressible, but not trivially.
QByteArray Text(qsizetype n, uint32_t seed);
// Files below root, relative, sorted.
QStringList Tree(const QString& root);

// A shell command with its output (standard error too); its exit status.
int Run(const QString& command, QString* output = nullptr);
QString Q(const QString& s);  // shell-quoted
// Entry names as unzip lists them, sorted.
QStringList ZipNames(const QString& zip);

void OpenArchive(TMainform& form, const QString& path);
// A new archive: the create question answered Yes.
void CreateArchive(TMainform& form, const QString& path);

struct TAddChoice {
    QStringList entries;
    int level = 6;
    int action = 1;  // Replace, Update, Freshen
    bool recurse = false;
    bool folders = false;
    QString password = QString();  // through the dialog's "Password...", when not empty
};
// Fills the Add Files dialog and presses "&Add".
void AnswerAdd(QWidget* w, const TAddChoice& c);

struct TExtractChoice {
    QString dest;
    int expand = 1;     // No, Yes
    int overwrite = 1;  // No, Yes, Prompt
    int scope = 0;      // All Files, Selected Files
    QString root;
};
// Fills the Extract dialog and presses "OK".
void AnswerExtract(QWidget* w, const TExtractChoice& c);

// Adds with ShowOutput off; answers the count's box and returns its text.
QString AddQuietly(TMainform& form, const TAddChoice& choice);

// The message window's log, line by line.
QStringList LogLines(const TMainform& form);
// File names of the log's "Zipped file" lines, sorted.
QStringList ZippedFiles(const TMainform& form);
void SelectCaptions(TMainform& form, const QStringList& captions);
// The list's captions, sorted.
QStringList Captions(const TMainform& form);

}  // namespace movrel::test
