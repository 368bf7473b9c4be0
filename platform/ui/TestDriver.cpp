// TestDriver: touches, typing, panel answers, time and tree dumps for tests.
#include "platform/ui/TestDriver.h"

#include "platform/device/Application.h"
#include "platform/device/Screen.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/RunLoop.h"
#include "platform/ui/ImagePicker.h"
#include "platform/ui/Keyboard.h"
#include "platform/ui/PeoplePicker.h"
#include "platform/ui/Popover.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"

#include <cmath>

namespace platform::ui {

TestDriver::TestDriver()
{
    window_ = Window::windowWithFrame(Screen::mainScreen().bounds());
    window_->makeKeyAndVisible();
}

TestDriver::~TestDriver()
{
    // Views of the window may hold the focus; the window goes with the driver.
    if (auto* fr = dynamic_cast<View*>(Responder::firstResponder()); fr && fr->window() == window_.get())
        Responder::resetFirstResponder();
    for (auto& s : std::vector<Ref<View>>(window_->subviews()))
        s->removeFromSuperview();
}

void TestDriver::showController(ViewController* controller)
{
    if (!controller)
        return;
    View* v = controller->view();
    v->setFrame(Screen::mainScreen().applicationFrame());
    controller->notifyViewWillAppear(false);
    window_->addSubview(v);
    controller->notifyViewDidAppear(false);
    settle();
}

TestDriver::TapResult TestDriver::tap(View* view, int tapCount)
{
    TapResult r;
    if (!view) {
        r.problem = "no view";
        return r;
    }
    Window* w = view->window();
    if (!w) {
        r.problem = view->className() + " is not in a window";
        return r;
    }
    Rect b = view->bounds();
    Point p = view->convertPointTo(Point(b.midX(), b.midY()), nullptr);
    View* hit = w->hitTest(p);
    r.hitView = hit;
    if (!hit) {
        r.problem = "nothing can be hit at the centre of " + view->className();
        return r;
    }
    if (!hit->isDescendantOfView(view)) {
        r.problem = view->className() + " is hidden, transparent, not interactive or covered; the tap hits " + hit->className();
        return r;
    }
    Touch t;
    t.windowLocation = p;
    t.tapCount = tapCount;
    t.view = hit;
    t.window = w;
    t.timestamp = RunLoop::main().now();
    Ref<View> keep = hit;
    hit->touchesBegan(t);
    t.phase = Touch::Phase::Ended;
    hit->touchesEnded(t);
    r.delivered = true;
    settle();
    return r;
}

TestDriver::TapResult TestDriver::tapPoint(Point p, int tapCount)
{
    TapResult r;
    View* hit = window_->hitTest(p);
    r.hitView = hit;
    if (!hit) {
        r.problem = "nothing can be hit there";
        return r;
    }
    Touch t;
    t.windowLocation = p;
    t.tapCount = tapCount;
    t.view = hit;
    t.window = window_.get();
    t.timestamp = RunLoop::main().now();
    Ref<View> keep = hit;
    hit->touchesBegan(t);
    t.phase = Touch::Phase::Ended;
    hit->touchesEnded(t);
    r.delivered = true;
    settle();
    return r;
}

bool TestDriver::type(const std::string& text)
{
    Responder* fr = Responder::firstResponder();
    auto* field = dynamic_cast<TextField*>(fr);
    auto* textView = dynamic_cast<TextView*>(fr);
    if (!field && !textView)
        return false;
    bool all = true;
    std::u32string chars = decodeUtf8(text);
    for (char32_t c : chars) {
        std::string one = encodeUtf8(std::u32string(1, c));
        // The focus may move while typing (a delegate resigning the field).
        Responder* now = Responder::firstResponder();
        if (auto* f = dynamic_cast<TextField*>(now))
            all = (c == '\n' ? f->pressReturn() : f->insertText(one)) && all;
        else if (auto* v = dynamic_cast<TextView*>(now))
            all = v->insertText(one) && all;
        else
            return false;
    }
    settle();
    return all;
}

bool TestDriver::deleteBackward()
{
    Responder* fr = Responder::firstResponder();
    bool done = false;
    if (auto* f = dynamic_cast<TextField*>(fr))
        done = f->deleteBackward();
    else if (auto* v = dynamic_cast<TextView*>(fr))
        done = v->deleteBackward();
    settle();
    return done;
}

bool TestDriver::pressReturn()
{
    Responder* fr = Responder::firstResponder();
    bool answer = false;
    if (auto* f = dynamic_cast<TextField*>(fr))
        answer = f->pressReturn();
    else if (auto* v = dynamic_cast<TextView*>(fr))
        answer = v->pressReturn();
    settle();
    return answer;
}

AlertView* TestDriver::currentAlert() const
{
    auto alerts = AlertView::visibleAlerts();
    return alerts.empty() ? nullptr : alerts.back().get();
}

ActionSheet* TestDriver::currentActionSheet() const
{
    auto sheets = ActionSheet::visibleSheets();
    return sheets.empty() ? nullptr : sheets.back().get();
}

bool TestDriver::answerAlert(int index)
{
    Ref<AlertView> a = currentAlert();
    bool done = a && a->clickButton(index);
    settle();
    return done;
}

bool TestDriver::answerAlert(const std::string& title)
{
    Ref<AlertView> a = currentAlert();
    bool done = a && a->clickButton(title);
    settle();
    return done;
}

bool TestDriver::answerActionSheet(int index)
{
    Ref<ActionSheet> s = currentActionSheet();
    bool done = s && s->clickButton(index);
    settle();
    return done;
}

bool TestDriver::answerActionSheet(const std::string& title)
{
    Ref<ActionSheet> s = currentActionSheet();
    bool done = s && s->clickButton(title);
    settle();
    return done;
}

bool TestDriver::tapBarButton(BarButtonItem* item)
{
    bool done = item && item->trigger();
    settle();
    return done;
}

bool TestDriver::tapBack(NavigationController* nav)
{
    if (!nav || nav->viewControllers().size() < 2)
        return false;
    if (ViewController* top = nav->topViewController(); top && top->navigationItem()->hidesBackButton())
        return false;
    bool done = nav->popViewControllerAnimated(true) != nullptr;
    settle();
    return done;
}

void TestDriver::memoryWarning()
{
    Application::sharedApplication().simulateMemoryWarning();
    settle();
}

void TestDriver::advance(double seconds)
{
    RunLoop::main().advance(seconds);
    settle();
}

void TestDriver::settle()
{
    RunLoop::main().drain();
    View::layoutAllWindows();
}

namespace {

std::string number(float v)
{
    if (v == 0)
        v = 0; // no "-0"
    return format("%g", static_cast<double>(v));
}

void dumpInto(std::string& out, const View* v, int depth)
{
    out.append(static_cast<size_t>(depth) * 2, ' ');
    out += v->className();
    if (v->tag())
        out += format(" tag=%d", v->tag());
    Rect f = v->frame();
    out += " frame=(" + number(f.origin.x) + "," + number(f.origin.y) + "," + number(f.size.width) + "," + number(f.size.height) + ")";
    if (v->isHidden())
        out += " hidden";
    if (v->alpha() < 1)
        out += " alpha=" + format("%.2f", static_cast<double>(v->alpha()));
    if (!v->isUserInteractionEnabled())
        out += " noninteractive";
    if (v->clipsToBounds())
        out += " clips";
    if (!v->transform().isIdentity())
        out += " transformed";
    if (auto* c = dynamic_cast<const Control*>(v); c && !c->isEnabled())
        out += " disabled";
    std::string text = v->dumpText();
    if (!text.empty())
        out += " \"" + text + "\"";
    out += "\n";
    for (auto& s : v->subviews())
        dumpInto(out, s.get(), depth + 1);
}

} // namespace

std::string TestDriver::dumpTree(const View* view)
{
    std::string out;
    if (view)
        dumpInto(out, view, 0);
    return out;
}

void TestDriver::reset()
{
    ButtonPanel::forgetAllShown();
    PopoverController::forgetAll();
    ImagePickerController::resetSourceTypes();
    AddressBook::shared().removeAll();
    Responder::resetFirstResponder();
    Keyboard::shared().reset();
    Application::sharedApplication().reset();
}

} // namespace platform::ui
