#include "app/CAboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "fendrix_version.h"
#include "string_table.h"
#include "ui/DialogUnits.h"

namespace fendrix {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Fendrix"));
    setFont(dialogFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setObjectName(QStringLiteral("aboutBox"));

    auto* logo = new QLabel(this);
    logo->setPixmap(QPixmap(QString::fromLatin1(res::kLogoResource)));
    auto* name = new QLabel(
        QStringLiteral("Fendrix, Version %1").arg(QStringLiteral(FENDRIX_VERSION)), this);
    name->setObjectName(QStringLiteral("aboutName"));
    auto* purpose =
        new QLabel(QStringLiteral("Finds Kestrel controllers on the local segment."), this);
    auto* licence = new QLabel(QStringLiteral(FENDRIX_LICENCE_LINE "\nBuilt with Qt %1 (LGPL-3).")
                                   .arg(QString::fromLatin1(qVersion())),
                               this);
    licence->setObjectName(QStringLiteral("aboutLicence"));

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(purpose);
    texts->addWidget(licence);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(logo, 0, Qt::AlignTop);
    top->addLayout(texts);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace fendrix
