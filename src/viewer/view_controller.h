#pragma once

// What the viewer shows and where, without a window: the zoom that the zoom box holds, the
// scroll position over the page, the page's turns not yet carried out and the step to another
// image of the file not yet taken. The window shows this state and hands the user's requests to
// it; every rule about what a request does lives here, where it is tested without a window.

#include "viewer/render_geometry.h"
#include "viewer/view_navigation.h"

#include <QString>
#include <cstdint>

namespace faxlens::viewer {

// What the zoom box holds while a fit is in force. A text without a number fits the page width,
// so "Fit width" does what any word does; "Fit page" fits the whole page.
inline constexpr char kFitWidthText[] = "Fit width";
inline constexpr char kFitPageText[] = "Fit page";
inline constexpr char kStartZoomText[] = "100%";

// The number at the start of a text, as the zoom box holds it: blanks are skipped anywhere, a
// point is the decimal separator, and reading stops at the first character that cannot continue
// the number. 0 when the text does not begin with a number ("100%" gives 100, "abc" 0).
double ParseNumberPrefix(const QString& text);

// The keys that move about a page.
enum class ScrollMove { Left, Right, Up, Down, PageUp, PageDown, Start, End };

// The page as the last drawing showed it: its plan and the page's size in pixels. Requests that
// depend on what is shown do nothing while it shows no page.
struct ShownPage {
    RenderPlan plan;
    int32_t width = 0;
    int32_t height = 0;

    bool Shown() const { return plan.draws && width > 0 && height > 0; }
    // The axes of the page as shown; empty ones, which do not scroll, while none is.
    ViewAxis Across() const { return Shown() ? HorizontalAxis(plan, width) : ViewAxis{}; }
    ViewAxis Down() const { return Shown() ? VerticalAxis(plan, height) : ViewAxis{}; }
};

class ViewController {
public:
    // ---- zoom ----
    const QString& ZoomText() const { return zoomText_; }
    // A zoom typed or chosen in the box.
    void SetZoomText(const QString& text) { zoomText_ = text; }
    bool FitsPage() const;
    // The zoom of the next drawing in percent (below 1 fits the page width); `fitPageZoom` is
    // the zoom at which the whole page fits the view now.
    float ZoomInForce(float fitPageZoom) const;

    // Each is false, and changes nothing, when it has nothing to do.
    bool ZoomIn(const ShownPage& shown);
    bool ZoomOut(const ShownPage& shown);
    void FitWidth() { zoomText_ = QLatin1String(kFitWidthText); }
    void FitPage() { zoomText_ = QLatin1String(kFitPageText); }
    void ShowActualSize() { SetZoomPercent(100); }
    // Zooms by wheel notches (positive in) so that the page point under `viewX, viewY` stays.
    bool ZoomAround(double notches, double viewX, double viewY, const ShownPage& shown);

    // ---- scrolling, in scroll units (see view_navigation.h) ----
    ScrollPosition Scroll() const { return scroll_; }
    // False when the position stays as it was.
    bool ScrollTo(int h, int v);
    bool ScrollByPixels(double x, double y, const ShownPage& shown);
    // A notch moves as far as an arrow key, times `linesPerNotch`.
    bool ScrollByNotches(double x, double y, int linesPerNotch, const ShownPage& shown);
    bool ScrollByKey(ScrollMove move, const ShownPage& shown);

    // ---- turns: quarter turns clockwise wanted beyond the page as it is, 0 to 3 ----
    int PendingTurns() const { return pendingTurns_; }
    void AddTurn(bool clockwise) { pendingTurns_ = (pendingTurns_ + (clockwise ? 1 : 3)) % 4; }
    // The page now shows them.
    void TurnsDone() { pendingTurns_ = 0; }

    // ---- other images of the file: the step from the image shown not yet taken ----
    int PendingStep() const { return pendingStep_; }
    void AddStep(int step) { pendingStep_ += step; }
    // The image asked for is shown (its view starts at the top left), or cannot be.
    void StepTaken();
    void StepRefused() { pendingStep_ = 0; }

private:
    void SetZoomPercent(float zoom);

    QString zoomText_ = QLatin1String(kStartZoomText);
    ScrollPosition scroll_;
    int pendingTurns_ = 0;
    int pendingStep_ = 0;
};

} // namespace faxlens::viewer
