#include "host/ServerSettingsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionFrame>

#include <gtest/gtest.h>

namespace {

const ServerSettings::Address kSaved{QStringLiteral("saved.example.org"), 4200,
                                     QStringLiteral("/etc/vdr/token")};

template <typename Widget> Widget* field(const QDialog& dialog, const char* name) {
    auto* found = dialog.findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QPushButton* okButton(const QDialog& dialog) {
    return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

TEST(ServerSettingsDialogTest, ShowsTheSavedAddress) {
    const ServerSettingsDialog dialog(kSaved, kSaved);
    EXPECT_EQ(field<QLineEdit>(dialog, "host")->text(), kSaved.host);
    EXPECT_EQ(field<QSpinBox>(dialog, "port")->value(), kSaved.port);
    EXPECT_EQ(field<QLineEdit>(dialog, "tokenFile")->text(), kSaved.tokenFile);
    const ServerSettings::Address shown = dialog.address();
    EXPECT_EQ(shown.host, kSaved.host);
    EXPECT_EQ(shown.port, kSaved.port);
    EXPECT_EQ(shown.tokenFile, kSaved.tokenFile);
}

TEST(ServerSettingsDialogTest, EmptyFieldsShowWhatTheyMeanWhole) {
    ServerSettings::Address nothingSet;
    nothingSet.host = QStringLiteral("localhost");
    ServerSettingsDialog dialog(nothingSet, nothingSet);
    dialog.show();
    for (const char* name : {"tokenFile", "caFile"}) {
        SCOPED_TRACE(name);
        auto* empty = field<QLineEdit>(dialog, name);
        ASSERT_TRUE(empty->text().isEmpty());
        // Where the line edit draws its text: the style's contents rectangle of the frame, less
        // the text margins and 2 pixels on each side.
        QStyleOptionFrame frame;
        frame.initFrom(empty);
        frame.lineWidth = empty->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, empty);
        const QRect text = empty->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &frame, empty)
                               .marginsRemoved(empty->textMargins())
                               .adjusted(2, 0, -2, 0);
        EXPECT_GE(text.width(), empty->fontMetrics().horizontalAdvance(empty->placeholderText()))
            << empty->placeholderText().toStdString();
    }
}

TEST(ServerSettingsDialogTest, ReturnsTheEditedAddressTrimmed) {
    ServerSettingsDialog dialog(kSaved, kSaved);
    field<QLineEdit>(dialog, "host")->setText(QStringLiteral("  other.example.org "));
    field<QSpinBox>(dialog, "port")->setValue(4300);
    field<QLineEdit>(dialog, "tokenFile")->setText(QStringLiteral(" "));
    const ServerSettings::Address edited = dialog.address();
    EXPECT_EQ(edited.host, QStringLiteral("other.example.org"));
    EXPECT_EQ(edited.port, 4300);
    EXPECT_TRUE(edited.tokenFile.isEmpty());
}

TEST(ServerSettingsDialogTest, TlsAndItsCaFileAreShownAndReturned) {
    ServerSettings::Address saved = kSaved;
    saved.tls = true;
    saved.caFile = QStringLiteral("/etc/vdr/ca.pem");
    ServerSettingsDialog dialog(saved, saved);
    auto* tls = field<QCheckBox>(dialog, "tls");
    auto* caFile = field<QLineEdit>(dialog, "caFile");
    EXPECT_EQ(tls->text(), QStringLiteral("Use TLS"));
    EXPECT_TRUE(tls->isChecked());
    EXPECT_EQ(caFile->text(), saved.caFile);
    EXPECT_TRUE(caFile->isEnabled());

    caFile->setText(QStringLiteral(" /etc/vdr/other-ca.pem "));
    EXPECT_EQ(dialog.address().caFile, QStringLiteral("/etc/vdr/other-ca.pem"));
    tls->setChecked(false);
    EXPECT_FALSE(dialog.address().tls);
    EXPECT_FALSE(caFile->isEnabled()) << "a CA file means nothing without TLS";

    const ServerSettingsDialog plain(kSaved, kSaved);
    EXPECT_FALSE(field<QCheckBox>(plain, "tls")->isChecked());
    EXPECT_FALSE(plain.address().tls);
}

TEST(ServerSettingsDialogTest, PortStaysWithinTheTcpRange) {
    ServerSettingsDialog dialog(kSaved, kSaved);
    auto* port = field<QSpinBox>(dialog, "port");
    port->setValue(0);
    EXPECT_EQ(dialog.address().port, 1);
    port->setValue(70000);
    EXPECT_EQ(dialog.address().port, 65535);
}

TEST(ServerSettingsDialogTest, CannotBeAcceptedWithoutAHost) {
    ServerSettingsDialog dialog(kSaved, kSaved);
    EXPECT_TRUE(okButton(dialog)->isEnabled());
    field<QLineEdit>(dialog, "host")->setText(QStringLiteral("   "));
    EXPECT_FALSE(okButton(dialog)->isEnabled());
    field<QLineEdit>(dialog, "host")->setText(QStringLiteral("h"));
    EXPECT_TRUE(okButton(dialog)->isEnabled());
}

TEST(ServerSettingsDialogTest, SaysSoWhenAnOverrideIsInUse) {
    EXPECT_EQ(ServerSettingsDialog(kSaved, kSaved).findChild<QLabel*>(QStringLiteral("overrideNote")),
              nullptr);

    ServerSettings::Address inUse = kSaved;
    inUse.port = 4999;
    const ServerSettingsDialog dialog(kSaved, inUse);
    const auto* note = dialog.findChild<QLabel*>(QStringLiteral("overrideNote"));
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->text().contains(QStringLiteral("saved.example.org:4999")));
}

} // namespace
