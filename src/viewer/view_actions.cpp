#include "viewer/view_actions.h"

#include <QWidget>

namespace faxlens::viewer {

namespace {

void Prepare(QAction& action, const QString& text, const QList<QKeySequence>& keys, QWidget& window,
             const char* name) {
    action.setObjectName(QLatin1String(name));
    action.setText(text);
    action.setShortcuts(keys);
    action.setShortcutContext(Qt::WindowShortcut);
    window.addAction(&action);
}

} // namespace

ViewerActions::ViewerActions(QWidget& window)
    : zoomIn(&window), zoomOut(&window), fitWidth(&window), fitPage(&window), actualSize(&window),
      rotateRight(&window), rotateLeft(&window), nextImage(&window), previousImage(&window),
      firstImage(&window), lastImage(&window), thumbnails(&window), goToDamage(&window),
      showDamage(&window), showCodes(&window), copyImage(&window), print(&window),
      openFile(&window), closeViewer(&window), quit(&window), afterZoom_(&window),
      afterRotate_(&window), afterImages_(&window), afterData_(&window), afterOutput_(&window) {
    // Ctrl+= is Ctrl+plus on keyboards where plus needs Shift.
    Prepare(zoomIn, QStringLiteral("Zoom In"),
            {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, window,
            "zoomInAction");
    Prepare(zoomOut, QStringLiteral("Zoom Out"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, window,
            "zoomOutAction");
    Prepare(fitWidth, QStringLiteral("Fit Width"), {QKeySequence(Qt::CTRL | Qt::Key_2)}, window,
            "fitWidthAction");
    Prepare(fitPage, QStringLiteral("Fit Page"), {QKeySequence(Qt::CTRL | Qt::Key_0)}, window,
            "fitPageAction");
    Prepare(actualSize, QStringLiteral("100%"), {QKeySequence(Qt::CTRL | Qt::Key_1)}, window,
            "actualSizeAction");
    Prepare(rotateRight, QStringLiteral("Rotate Right"), {QKeySequence(Qt::CTRL | Qt::Key_R)},
            window, "rotateRightAction");
    Prepare(rotateLeft, QStringLiteral("Rotate Left"),
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)}, window, "rotateLeftAction");
    Prepare(nextImage, QStringLiteral("Next Image"), {QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
            window, "nextImageAction");
    Prepare(previousImage, QStringLiteral("Previous Image"),
            {QKeySequence(Qt::CTRL | Qt::Key_PageUp)}, window, "previousImageAction");
    Prepare(copyImage, QStringLiteral("Copy Image"), {QKeySequence::Copy}, window,
            "copyImageAction");
    Prepare(print, QStringLiteral("Print..."), {QKeySequence::Print}, window, "printAction");
    Prepare(firstImage, QStringLiteral("First Image"), {QKeySequence(Qt::CTRL | Qt::Key_Home)},
            window, "firstImageAction");
    Prepare(lastImage, QStringLiteral("Last Image"), {QKeySequence(Qt::CTRL | Qt::Key_End)}, window,
            "lastImageAction");
    Prepare(thumbnails, QStringLiteral("Thumbnails"), {QKeySequence(Qt::Key_F9)}, window,
            "thumbnailsAction");
    thumbnails.setCheckable(true);
    Prepare(goToDamage, QStringLiteral("Go to Damage"), {QKeySequence(Qt::Key_F8)}, window,
            "goToDamageAction");
    Prepare(showDamage, QStringLiteral("Show Damaged Rows"), {}, window, "showDamageAction");
    showDamage.setCheckable(true);
    showDamage.setChecked(true);
    Prepare(showCodes, QStringLiteral("Show Codes of This Row"), {}, window, "showCodesAction");
    Prepare(openFile, QStringLiteral("Open..."), {QKeySequence::Open}, window, "openFileAction");
    Prepare(closeViewer, QStringLiteral("Close"),
            {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)}, window,
            "closeAction");
    Prepare(quit, QStringLiteral("Quit"), {QKeySequence(Qt::CTRL | Qt::Key_Q)}, window,
            "quitAction");
    afterZoom_.setSeparator(true);
    afterRotate_.setSeparator(true);
    afterImages_.setSeparator(true);
    afterData_.setSeparator(true);
    afterOutput_.setSeparator(true);
}

QList<QAction*> ViewerActions::MenuOrder() {
    return {&zoomIn,        &zoomOut,      &fitWidth,    &fitPage,      &actualSize,
            &afterZoom_,    &rotateLeft,   &rotateRight, &afterRotate_, &nextImage,
            &previousImage, &firstImage,   &lastImage,   &thumbnails,   &afterImages_,
            &goToDamage,    &showDamage,   &showCodes,   &afterData_,   &copyImage,
            &print,         &afterOutput_, &openFile,    &closeViewer,  &quit};
}

} // namespace faxlens::viewer
