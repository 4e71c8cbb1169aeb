#pragma once

#include <QCoreApplication>

#include <memory>

namespace tqv {

// Qt's serial port and sockets need an application object for their notifiers; the command line
// makes one only for the jobs that talk to a gateway.
class QtRuntime {
public:
    QtRuntime()
    {
        if (!QCoreApplication::instance())
            m_app = std::make_unique<QCoreApplication>(m_argc, m_argv);
    }

private:
    int m_argc = 1;
    char m_name[12] = "tqv580-cli";
    char *m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QCoreApplication> m_app;
};

} // namespace tqv
