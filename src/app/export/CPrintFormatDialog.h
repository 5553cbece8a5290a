#pragma once
// "Print Format": the HEADER and FOOTER lists (recent texts with an edit
// field) and the NOTES text printed on the page. Modeless, made hidden with
// the frame; OK and CANCEL hide it again and leave the work to the owner.
#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QPlainTextEdit;

namespace kivelo::app {

class CPrintFormatDialog : public QDialog {
    Q_OBJECT
public:
    explicit CPrintFormatDialog(QWidget* frame);

    void SetHeaderEntries(const std::vector<std::string>& entries);
    void SetFooterEntries(const std::vector<std::string>& entries);
    void SetNotes(const QString& notes);
    // The lists' edit fields show their first entries (as each time the dialog is opened).
    void SelectFirstEntries();

    QString HeaderText() const;
    QString FooterText() const;
    QString NotesText() const;

    QComboBox& HeaderList() { return *header_; }
    QComboBox& FooterList() { return *footer_; }
    QPlainTextEdit& NotesEdit() { return *notes_; }

    std::function<void()> onOk;
    std::function<void()> onCancel;

protected:
    void reject() override;

private:
    static void Fill(QComboBox& list, const std::vector<std::string>& entries);
    void LimitNotes();

    QComboBox* header_;
    QComboBox* footer_;
    QPlainTextEdit* notes_;
};

}  // namespace kivelo::app
