/* The redirection library "proxysdk.dll": installs the redirection drivers
 * and keeps the redirection rules. Strings are 8-bit (UTF-8 on this host);
 * paths may use "\\" or "/" as separators. Results: nonzero for success,
 * 0 for failure.
 *
 * The library keeps its state in one file under the machine root
 * ("proxysdk/state"), rewritten atomically under a lock on every change,
 * so it survives a crash of the calling process and is shared by every
 * process of the machine. The lock is never held while the redirection
 * service is asked or started. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

#define PROXYSDK_API __attribute__((visibility("default")))

/* Begins an installation attempt: forgets the installed drivers. */
PROXYSDK_API int InitDriverFirst(void);

/* Installs the driver pair: proxy32Path and process32Path on 32-bit
 * systems (the others null), proxy64Path and process64Path on 64-bit ones.
 * Each file must exist and be a well-formed driver file of the right kind
 * and bitness that loads (see outside/drivers/DriverFile.h). A proxy
 * driver marked "redirect=service" also needs the redirection service
 * "brisgol-redirectd" beside the library: it is started when it does not
 * answer, once per process (as root directly; otherwise through pkexec,
 * and only when nobody but root can change the service's file; see
 * ServiceStarter.h); when that fails the log beside the library says what
 * to do, and every later call fails at once. */
PROXYSDK_API int InitDriver(const char* proxy32Path, const char* proxy64Path, const char* process32Path,
                            const char* process64Path);

/* Nonzero while an installed driver pair is in place and intact (and the
 * service it uses answers; see InitDriver for when it is started). */
PROXYSDK_API int DriverIsRun(void);

/* Removes every rule of the calling user (and the redirect in force, if
 * any); other users' rules stay. */
PROXYSDK_API int DeleteRuleAll(void);

/* Adds a rule sending covered traffic to address:port. protocol (empty
 * or "tcp"; the rule covers UDP too), note and reserved are recorded as
 * given. Returns 0 for
 * an address that is not IPv4, a port outside 1..65535, or when the
 * redirection service refused it. With the service (drivers marked
 * "redirect=service"), covered traffic is every TCP connection and UDP
 * datagram of the user's programs started with brisgol-run, the target must
 * be 127.0.0.1, and a listener of the same user must be there (see
 * outside/redirect/NftRuleset.h). */
PROXYSDK_API int AddRule(const char* protocol, const char* address, const char* port, const char* note,
                         const char* reserved);

/* Registers a process id with the redirection (added to the earlier ones;
 * ids of processes that have ended are dropped). The service removes the
 * rules as soon as the newest registered process ends; it must be the
 * caller's own user's. */
PROXYSDK_API int AddPid(unsigned long pid);

#ifdef __cplusplus
}
#endif
