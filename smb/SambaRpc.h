#pragma once
/* DCE/RPC over SMB named pipes through Samba's client library (libdcerpc).
 * Samba's pipe transport reads a reply the way Windows' message-mode pipes
 * need (a transceive, then reads while the server says more of the message
 * is waiting), which the SMB file interface cannot. Vantor encodes and
 * decodes the stubs itself; this layer only carries them. A C interface: the
 * library's headers are not C++-clean. Not thread-safe: one caller at a time
 * (SmbLibraryLock). */
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct vantor_rpc;

struct vantor_rpc_logon {
	const char *user;
	const char *domain;
	const char *password; /* NULL: none */
	int kerberos;         /* the default ticket cache first */
};

/* Asked at least every 50 ms while a step waits; non-zero gives the step up
 * (the callee cuts what it must so that the library stops waiting). */
struct vantor_rpc_watch {
	int (*give_up)(void *context);
	void *context;
};

/* Connects to `host`, logs on, opens \pipe\<pipe> and binds the interface
 * `uuid` (wire order) at `version` (major | minor << 16). Gives an NTSTATUS;
 * *gave_up is set when the watch ended the wait. */
uint32_t vantor_rpc_open(const char *host, const char *pipe, const uint8_t uuid[16],
			 uint32_t version, const struct vantor_rpc_logon *logon,
			 size_t max_reply, const struct vantor_rpc_watch *watch,
			 struct vantor_rpc **out, int *gave_up);

/* One request; the reply stub is malloc'ed into *out (vantor_rpc_free_reply).
 * *sent is set once the request may have left. */
uint32_t vantor_rpc_call(struct vantor_rpc *rpc, uint16_t opnum, const uint8_t *in,
			 size_t in_length, const struct vantor_rpc_watch *watch, uint8_t **out,
			 size_t *out_length, int *sent, int *gave_up);

void vantor_rpc_free_reply(uint8_t *reply);
void vantor_rpc_close(struct vantor_rpc *rpc);

#ifdef __cplusplus
}
#endif
