#include "Info.h"

#include "DialogLook.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace movrel {

TInfoForm::TInfoForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InfoForm"));
    setWindowTitle(QStringLiteral("ZIP Information"));

    auto* group = new QGroupBox(QStringLiteral(" Zip Information "), this);
    auto* grid = new QGridLayout(group);
    const struct {
        const char* Caption;
        const char* Name;
        QLabel** Value;
    } rows[] = {
        {"Filename:", "FilenameValue", &FilenameValue},
        {"Compressed Size:", "CompressedValue", &CompressedValue},
        {"Uncompressed Size:", "UncompressedValue", &UncompressedValue},
        {"Ratio:", "RatioValue", &RatioValue},
        {"Files:", "FilesValue", &FilesValue},
        {"Compression Level:", "LevelValue", &LevelValue},
        {"Encrypted:", "EncryptedValue", &EncryptedValue},
    };
    int r = 0;
    for (const auto& row : rows) {
        grid->addWidget(BoldLabel(QString::fromLatin1(row.Caption), group), r, 0);
        auto* value = new QLabel(group);
        value->setObjectName(QString::fromLatin1(row.Name));
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(value, r, 1);
        *row.Value = value;
        ++r;
    }
    grid->setColumnStretch(1, 1);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    FixDialogSize(this, 356, 181);
}

QString TInfoForm::SizeText(int64_t bytes)
{
    QString text = QString::asprintf("%lld Bytes --> %8.2f KB", static_cast<long long>(bytes), double(bytes) / 1024.0);
    text.replace('.', QLocale().decimalPoint());
    return text.trimmed();
}

QString TInfoForm::RatioText(int64_t packed, int64_t size)
{
    if (size == 0)
        return QStringLiteral("0 %");
    // in floating point: the products of large totals do not fit 32 bits
    double ratio = std::nearbyint(100.0 - double(packed) * 100.0 / double(size));
    return QString::number(qint64(ratio)) + QStringLiteral(" %");
}

void TInfoForm::Fill(const QString& path, int64_t packed, int64_t size, int files, int level, bool encrypted)
{
    FilenameValue->setText(path);
    CompressedValue->setText(SizeText(packed));
    UncompressedValue->setText(SizeText(size));
    RatioValue->setText(RatioText(packed, size));
    FilesValue->setText(QString::number(files));
    LevelValue->setText(QString::number(level));
    EncryptedValue->setText(encrypted ? QStringLiteral("True") : QStringLiteral("False"));
}

}  // namespace movrel
