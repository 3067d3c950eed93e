// The three windows of the terminal test suites: Test Functions, Graphics
// Display and the iX CAT test window. Each is built from its control table
// and owns the state its handlers keep (the test number, the image file
// path, the wait counter and its 1 ms timer).
#pragma once

#include "graphics_display.h"
#include "ixcat_sequences.h"
#include "test_functions.h"

#include "widgets/form.h"

namespace vantrel::suites {

class TestFunctionForm : public Form {
public:
    TestFunctionForm(Session& session, QWidget* owner);
    TestFunctionState& state() { return m_state; }

private:
    TestFunctionState m_state;
};

class GraphicsDisplayForm : public Form {
public:
    GraphicsDisplayForm(Session& session, QWidget* owner);
};

class IxCatTestForm : public Form {
public:
    IxCatTestForm(Session& session, QWidget* owner);
    IxCatState& state() { return m_state; }

private:
    IxCatState m_state;
};

} // namespace vantrel::suites
