#include "app/aboutbox.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#ifndef ZV_VERSION
#define ZV_VERSION "0.0.0"
#endif

namespace zv {

const char* const kFileDescription = "Zorvan Utility";
const char* const kLegalCopyright = "Copyright \xa9 2026 The Zorvan Utility developers";

const char* VersionText() { return "Version " ZV_VERSION; }

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/zorvan32-%1.png").arg(size), QSize(size, size));
  return icon;
}

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  setWindowTitle(QStringLiteral("About"));

  imgIcon = new QLabel(this);
  imgIcon->setObjectName("imgIcon");
  const QIcon icon = ProgramIcon();
  // The icon grows with the font, as the texts beside it do.
  const int side = std::max(32, fontMetrics().height() * 2);
  imgIcon->setPixmap(icon.pixmap(side, side));
  imgIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

  lblProductName = new QLabel(QString::fromLatin1(kFileDescription), this);
  lblProductName->setObjectName("lblProductName");
  QFont bold = lblProductName->font();
  bold.setBold(true);
  lblProductName->setFont(bold);
  lblVersion = new QLabel(QString::fromLatin1(VersionText()), this);
  lblVersion->setObjectName("lblVersion");
  lblCopyright = new QLabel(QString::fromLatin1(kLegalCopyright), this);
  lblCopyright->setObjectName("lblCopyright");
  for (QLabel* l : {lblProductName, lblVersion, lblCopyright}) {
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }

  auto* texts = new QVBoxLayout;
  texts->addWidget(lblProductName);
  texts->addWidget(lblVersion);
  texts->addWidget(lblCopyright);
  texts->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(imgIcon);
  top->addSpacing(12);
  top->addLayout(texts, 1);

  btnOk = new QPushButton(QStringLiteral("OK"), this);
  btnOk->setObjectName("btnOk");
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addStretch();

  auto* all = new QVBoxLayout(this);
  all->addLayout(top);
  all->addSpacing(8);
  all->addLayout(buttons);
  all->setSizeConstraint(QLayout::SetFixedSize);
}

void ShowAboutBox(QWidget* parent) {
  TfrmAbout dlg(parent);
  dlg.exec();
}

}  // namespace zv
