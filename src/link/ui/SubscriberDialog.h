#pragma once

#include <QDialog>

#include "link/SubscriberList.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zmk {

// The subscriber entry dialog: name, controller address and either the
// telephone number or the IP address and TCP port of one entry. It changes
// the entry only when "Принять" finds every field valid; a refused or
// cancelled dialog leaves the entry as it was. Every input error is a
// MessageKind 2 message and keeps the dialog open.
class SubscriberDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 568;
    static constexpr int PhoneFormHeight = 220;
    static constexpr int EthernetFormHeight = 224;
    static constexpr int NameMaxLength = AbonentNameSize - 1;    // 49
    static constexpr int PhoneMaxLength = AbonentPhoneSize - 1;  // 29
    static constexpr int AddressMaxLength = 3;
    static constexpr int OctetMaxLength = 3;
    static constexpr int PortMaxLength = 10;

    enum Mode {
        EditEntry,  // the fields show the entry
        NewEntry,   // the fields start empty
    };

    // Telephone form.
    SubscriberDialog(PhoneAbonent& entry, Mode mode, QWidget* parent = nullptr);
    // Ethernet form.
    SubscriberDialog(EthernetAbonent& entry, Mode mode, QWidget* parent = nullptr);

    bool IsEthernetForm() const { return ethernet_ != nullptr; }

private:
    void CreateWidgets(bool ethernetForm);
    // "Принять": checks every field and only then changes the entry.
    void acceptEntry();

    QLabel* nameLabel_;
    QLineEdit* nameEdit_;
    QLabel* addressLabel_;
    QComboBox* addressBox_;  // editable list "1".."255"
    // Telephone form (hidden on the Ethernet form).
    QLabel* phoneLabel_;
    QLineEdit* phoneEdit_;
    // Ethernet form (hidden on the telephone form): the four octets, first
    // one first ("octetEdit1".."octetEdit4"), then the TCP port.
    QLabel* ipLabel_;
    QLineEdit* octetEdits_[4];
    QLineEdit* tcpPortEdit_;
    QPushButton* acceptButton_;  // "Принять"
    QPushButton* cancelButton_;  // "Отменить"

    PhoneAbonent* phone_ = nullptr;
    EthernetAbonent* ethernet_ = nullptr;
};

}  // namespace zmk
