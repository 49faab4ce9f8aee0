#include <gtest/gtest.h>

#include "fake_host.h"
#include "maker/dialogs/form_pic_size.h"

TEST(Smoke, Builds) {
  dialogtest::FakeHost host;
  maker::TFormPicSize f(host);
}
