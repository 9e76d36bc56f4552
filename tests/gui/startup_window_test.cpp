// The window around start-up: the loading panel over everything while the
// form says so, the caption and version, the several-copies box.

#include "app/mainpresenter.h"
#include "gui/mainwindow.h"
#include "support/fakeservices.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace ondrix;
using namespace ondrix::test;

namespace {

class StartUpWindowTest : public ::testing::Test, protected FakeServices {
protected:
    StartUpWindowTest() {
        presenter.setAppDir(dir.path());
        window.show();
    }

    template <typename W = QWidget> W& widget(const char* name) {
        W* w = window.findChild<W*>(QString::fromLatin1(name));
        if (!w)
            throw std::runtime_error(std::string("no widget named ") + name);
        return *w;
    }
    // Whether the panel is what a click at this point of the window reaches.
    bool panelOnTopAt(QPoint at) {
        QWidget* hit = window.childAt(at);
        QWidget& panel = widget("FrmChargement");
        return hit && (hit == &panel || panel.isAncestorOf(hit));
    }

    QTemporaryDir dir; // no settings file: the defaults
    MainPresenter presenter{services()};
    MainWindow window{presenter};
};

} // namespace

TEST_F(StartUpWindowTest, TheLoadingPanelCoversTheWholeWindowWhileShown) {
    StationState& f = presenter.state();
    EXPECT_FALSE(widget("FrmChargement").isVisible());

    f.shell.loadingVisible = true;
    f.shell.loadingCaption = QStringLiteral("Détection des ports COM valide...\n3/32");
    f.shell.loadingProgress.value = 47.0f;
    window.render();
    QWidget& panel = widget("FrmChargement");
    ASSERT_TRUE(panel.isVisible());
    EXPECT_EQ(widget<QLabel>("LblChargeParam").text(), f.shell.loadingCaption);
    const QProgressBar& bar = widget<QProgressBar>("LoadingProgress");
    EXPECT_DOUBLE_EQ(
        static_cast<double>(bar.value() - bar.minimum()) / (bar.maximum() - bar.minimum()), 0.47);
    // Over every control, title row included, at any size.
    for (const QSize size : {window.size(), window.size() + QSize(120, 80)}) {
        window.resize(size);
        EXPECT_EQ(panel.geometry(), window.rect());
        for (const char* control : {"BTPlay", "ImgClose", "TabS21", "ComboFichierRecent"}) {
            QWidget& w = widget(control);
            EXPECT_TRUE(panelOnTopAt(w.mapTo(&window, w.rect().center()))) << control;
        }
    }

    presenter.start();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_FALSE(panelOnTopAt(widget("BTPlay").geometry().center()));
}

TEST_F(StartUpWindowTest, CaptionVersionAndSeveralCopies) {
    presenter.start();
    EXPECT_EQ(window.windowTitle(), MainPresenter::caption());
    EXPECT_EQ(widget<QLabel>("LblTitre").text(), MainPresenter::caption());
    // Both on the "Paramètres" page.
    QWidget& page = *widget<QStackedWidget>("Pages").widget(1);
    for (const char* name : {"LblVersion", "ChkInstance"})
        EXPECT_TRUE(page.isAncestorOf(&widget(name))) << name;
    EXPECT_EQ(widget<QLabel>("LblVersion").text(), MainPresenter::versionText());

    QTest::mouseClick(&widget("TabS22"), Qt::LeftButton);
    QCheckBox& box = widget<QCheckBox>("ChkInstance");
    ASSERT_TRUE(box.isVisible());
    EXPECT_EQ(box.text(), QStringLiteral("Autoriser plusieurs instances"));
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_TRUE(presenter.state().options.allowSeveralCopies);
    EXPECT_TRUE(box.isChecked());
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_FALSE(presenter.state().options.allowSeveralCopies);
    EXPECT_FALSE(box.isChecked());
}
