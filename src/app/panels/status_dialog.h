// StatusDialog: the small always-on-top device-status dialog that the link fills.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace kdsp {

class StatusDialog : public QDialog {
public:
    explicit StatusDialog(QWidget* parent = nullptr);

    void SetStatusText(const QString& text);
    void SetPortText(const QString& text);
    void SetProgress(int percent);
    void ShowDialog();  // visible and in front
    void HideDialog();

    QString StatusText() const;
    QString PortText() const;
    int Progress() const;

protected:
    void changeEvent(QEvent* e) override;      // a language switch
    void closeEvent(QCloseEvent* e) override;  // the user cannot close it
    void keyPressEvent(QKeyEvent* e) override;

private:
    QLabel* link_;
    QLabel* com_;
    QProgressBar* bar_;
};

}  // namespace kdsp
