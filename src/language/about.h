// The About box: program name and version, what it is, the maker's notice,
// the lab's logo (a link to its web page) and the credits. The control panel
// disables itself and the main window while the box is open, so every way of
// closing the box asks the panel to close it.
#pragma once

#include <QUrl>
#include <QWidget>
#include <functional>

namespace Ui {
class About;
}

class About : public QWidget
{
    Q_OBJECT
public:
    // A top-level window of its own, so that disabling the main window does
    // not disable the box. When `panel` has a closeAbout() slot, the close
    // request goes there; the box also goes away with the panel.
    explicit About(QWidget *panel = nullptr);
    ~About() override;

    // Title, subtitle and credits caption for the panel's language code:
    // 1 and 5 English, 2 French, 3 Spanish, 4 Catalan. Other codes keep the
    // form's own texts.
    void setLanguage(int code);

    // The lab's page the logo opens.
    static QUrl labPage();
    // What opens web pages (the system browser by default); tests put a
    // recorder here. An empty function restores the browser.
    static void setLinkOpener(std::function<void(const QUrl &)> opener);

signals:
    void Emit_Close_Request();

public slots:
    void OKbutton();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    void on_bnt_Zorv_clicked();

private:
    Ui::About *ui;
    // A close request from the title bar is sent once per showing, so a
    // receiver that answers with close() does not start a loop.
    bool m_closeRequested = false;
};
