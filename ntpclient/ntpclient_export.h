#pragma once

#include <QtGlobal>

#if defined(NTPCLIENT_STATIC)
#define NTPCLIENT_EXPORT
#elif defined(NTPCLIENT_LIBRARY)
#define NTPCLIENT_EXPORT Q_DECL_EXPORT
#else
#define NTPCLIENT_EXPORT Q_DECL_IMPORT
#endif
