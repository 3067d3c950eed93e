// Passes every session event on to several observers, in order.
#pragma once

#include "session_observer.h"

#include <vector>

namespace vantrel {

class FanoutObserver : public SessionObserver {
public:
    void add(SessionObserver* observer)
    {
        if (observer)
            m_observers.push_back(observer);
    }

    void callMade(const CallEvent& e) override { each([&](SessionObserver* o) { o->callMade(e); }); }
    void callFailed(std::string_view m, int n, std::string_view d) override { each([&](SessionObserver* o) { o->callFailed(m, n, d); }); }
    void messageShown(std::string_view t, std::string_view x) override { each([&](SessionObserver* o) { o->messageShown(t, x); }); }
    void questionAnswered(std::string_view t, std::string_view x, bool y) override { each([&](SessionObserver* o) { o->questionAnswered(t, x, y); }); }
    void inputAnswered(std::string_view t, std::string_view p, std::string_view a) override { each([&](SessionObserver* o) { o->inputAnswered(t, p, a); }); }
    void boxChanged(Box b, std::string_view x) override { each([&](SessionObserver* o) { o->boxChanged(b, x); }); }
    void boxAppended(Box b, std::string_view a, std::string_view w) override { each([&](SessionObserver* o) { o->boxAppended(b, a, w); }); }
    void errorRaised(int n, std::string_view d) override { each([&](SessionObserver* o) { o->errorRaised(n, d); }); }
    void windowShown(std::string_view w, bool s) override { each([&](SessionObserver* o) { o->windowShown(w, s); }); }
    void waitStarted(int t) override { each([&](SessionObserver* o) { o->waitStarted(t); }); }
    void progressed(const Progress& p) override { each([&](SessionObserver* o) { o->progressed(p); }); }
    void actionStarted(const UserAction& a) override { each([&](SessionObserver* o) { o->actionStarted(a); }); }
    void actionEnded(const UserAction& a) override { each([&](SessionObserver* o) { o->actionEnded(a); }); }

private:
    template <typename F>
    void each(F f)
    {
        for (auto* o : m_observers)
            f(o);
    }
    std::vector<SessionObserver*> m_observers;
};

} // namespace vantrel
