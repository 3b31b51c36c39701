#pragma once
// A dotted IPv4 address entry: four decimal fields 0..255 that may all be
// blank. Reads the same whether enabled or not.
#include <QFrame>
#include <QString>
#include <array>

class QLineEdit;

namespace fendrix {

class IpAddressEdit : public QFrame {
    Q_OBJECT
public:
    static constexpr int kFieldCount = 4;

    explicit IpAddressEdit(QWidget* parent = nullptr);

    // Fills the fields from a text of exactly four dot-separated decimal
    // numbers 0..255; any other text leaves the control blank.
    void setAddress(const QString& text);
    // "%d.%d.%d.%d" of the fields; a blank field reads 0.
    QString text() const;
    bool isBlank() const;
    void clear();

    QLineEdit* field(int index) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int indexOf(const QObject* object) const;
    void focusField(int index, bool atEnd);
    void onFieldEdited(int index);

    std::array<QLineEdit*, kFieldCount> fields_{};
};

}  // namespace fendrix
