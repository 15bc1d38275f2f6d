// What the main window remembers of a file dialog that it creates for each
// use (the New and Save As dialogs): the folder it starts in, kept as a
// persisted property.
#pragma once

#include <QObject>
#include <QString>

namespace movrel {

class TFileDialogState : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString InitialDir READ InitialDir WRITE SetInitialDir)
public:
    TFileDialogState(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }
    QString InitialDir() const { return m_dir; }
    void SetInitialDir(const QString& dir) { m_dir = dir; }

private:
    QString m_dir;
};

}  // namespace movrel
