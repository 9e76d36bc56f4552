#pragma once

#include "app/mainpresenter.h"

#include <QWidget>

#include <functional>
#include <initializer_list>
#include <vector>

namespace ondrix {

// A part of the window: it draws the states of its features and forwards the
// operator's events on its own controls to the presenter. The window redraws
// a panel only when one of its features changed.
class Panel : public QWidget {
    Q_OBJECT
public:
    Panel(MainPresenter& presenter, std::initializer_list<Feature> features,
          QWidget* parent = nullptr);

    // The features whose state it shows.
    Features features() const { return features_; }
    // Whether a change of these features is to be drawn here.
    bool shows(Features changed) const;

    // Draws the panel from the state, its inputs silent meanwhile. `changed`
    // says which features to draw; the panel draws those it shows.
    void render(const StationState& state, Features changed);
    // Once every panel of the window is drawn: the focus moves the redraw
    // asked for, which report themselves to the presenter.
    virtual void finishRender() {}
    // How many times it was drawn, for the measurements and the tests.
    long renderCount() const { return renders_; }

    // Set while the window draws. Focus changes a redraw causes (a disabled
    // control hands the focus on, maybe to another panel's) are reported
    // once the whole redraw is over, in the order they came.
    class DrawingScope {
    public:
        DrawingScope() { ++depth_; }
        ~DrawingScope() { --depth_; }
        DrawingScope(const DrawingScope&) = delete;
        DrawingScope& operator=(const DrawingScope&) = delete;
        static bool active() { return depth_ > 0; }

    private:
        static inline int depth_ = 0;
    };

protected:
    virtual void draw(const StationState& state, Features changed) = 0;
    // Controls that forward an operator's event: blocked while the panel draws.
    void addInputs(std::initializer_list<QObject*> inputs);
    template <typename Range> void addInputs(const Range& inputs) {
        for (QObject* input : inputs)
            inputs_.push_back(input);
    }
    // A focus change reported now, or after the redraw that caused it.
    void reportFocus(std::function<void()> call);

    MainPresenter& presenter_;

private:
    Features features_;
    std::vector<QObject*> inputs_;
    long renders_ = 0;
};

} // namespace ondrix
