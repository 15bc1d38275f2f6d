// TInfoForm: "ZIP Information", the facts of the open archive. The main
// window computes the sums from its engine and calls Fill.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>

class QLabel;
class QPushButton;

namespace movrel {

class TInfoForm : public QDialog {
    Q_OBJECT
public:
    explicit TInfoForm(QWidget* parent = nullptr);

    // path: the archive; packed, size: sums of the entries' compressed and
    // uncompressed sizes; files: entry count; level: the writer's PackLevel.
    void Fill(const QString& path, int64_t packed, int64_t size, int files, int level, bool encrypted);

    // "1234 Bytes -->     1.21 KB": "%d Bytes --> %8.2f KB" of bytes and
    // bytes / 1024, trimmed, with the locale's decimal separator.
    static QString SizeText(int64_t bytes);
    // "62 %": 100 - packed * 100 / size, rounded half to even; "0 %" when
    // size is 0.
    static QString RatioText(int64_t packed, int64_t size);

    QLabel* FilenameValue;
    QLabel* CompressedValue;
    QLabel* UncompressedValue;
    QLabel* RatioValue;
    QLabel* FilesValue;
    QLabel* LevelValue;
    QLabel* EncryptedValue;
    QPushButton* OKBtn;
};

}  // namespace movrel
