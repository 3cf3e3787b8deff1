// A started main window (tables built, music page shown) without a link.
#pragma once

#include <memory>

#include <gtest/gtest.h>

#include "app/widgets/widgets.h"
#include "app/window/main_window.h"

namespace kdsp {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<MainWindow>();
        form->show();  // runs the start-up order once
    }
    void TearDown() override { form.reset(); }

    template <class T = QWidget>
    T* W(const char* name) {
        T* w = form->Ctl<T>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << "no control " << name;
        return w;
    }
    Bound* B(const char* name) { return AsBound(W(name)); }

    std::unique_ptr<MainWindow> form;
};

}  // namespace kdsp
