#pragma once

#include <QDialog>

class QComboBox;
class QString;

namespace Ui {
class EditDialog;
}

// The small modal dialog in which one server entry is typed and checked. It writes
// the entry straight into the window's server list and keeps no list of its own.
class EditDialog : public QDialog
{
    Q_OBJECT

public:
    EditDialog(int mode, QComboBox *serverCombo, QWidget *parent = nullptr);
    ~EditDialog() override;

    void setIp(const QString &text);
    void setLimit(const QString &text);
    void setCycle(const QString &text);

private slots:
    void on_pushButton_ok_clicked();
    void on_pushButton_cancel_clicked();

private:
    bool fieldsPass();
    void showError(const QString &message);
    void writeItem(int index, const QString &server, const QString &entry);

    Ui::EditDialog *ui = nullptr;
    int mode = 0; // 0 adds a new entry, anything else rewrites the selected one
    QComboBox *serverCombo = nullptr;
};
