#pragma once
// A fixture for tests that poll a peer through the window's serial
// component: a fresh module state and a pseudo-terminal pair, end a() for the
// window, end b() for the peer.
#include "peers.h"
#include "serialport.h"
#include "tform1.h"

#include <gtest/gtest.h>

namespace tavtest {

struct PolledWindow : ::testing::Test {
    void SetUp() override
    {
        tav::Unit1 = {};
        ASSERT_TRUE(pty.ok()) << "socat did not create the pseudo-terminal pair";
    }

    // Opens end a() through the serial component, as the open button does.
    void openPort(tav::TForm1& form)
    {
        form.XComm1->setDeviceName(pty.a());
        form.XComm1->open();
        ASSERT_TRUE(form.XComm1->isOpen());
    }

    PtyPair pty;
};

} // namespace tavtest
