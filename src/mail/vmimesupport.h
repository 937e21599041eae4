#pragma once

#include <QString>

#include <vmime/platforms/posix/posixHandler.hpp>
#include <vmime/vmime.hpp>

#include <mutex>
#include <string>

// What the files that work with vmime share.
namespace vmimesupport
{

inline std::string utf8(const QString &s)
{
    return s.toStdString();
}

// vmime's platform handler, set once for the process.
inline void initialise()
{
    static std::once_flag once;
    std::call_once(once,
                   [] { vmime::platform::setHandler<vmime::platforms::posix::posixHandler>(); });
}

} // namespace vmimesupport
