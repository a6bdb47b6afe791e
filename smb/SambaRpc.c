#include "SambaRpc.h"

#include <signal.h>
#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <talloc.h>
#include <tevent.h>

#include <credentials.h>
#include <dcerpc.h>
#include <param.h>

struct vantor_rpc {
	TALLOC_CTX *mem;
	struct tevent_context *ev;
	struct dcerpc_pipe *pipe;
};

struct watching {
	const struct vantor_rpc_watch *watch;
	bool gave_up;
};

/* Wakes the loop every 50 ms to ask the watch, until it gives up or the
 * timer is freed with its parent. */
static void watch_tick(struct tevent_context *ev, struct tevent_timer *timer,
		       struct timeval now, void *private_data)
{
	struct watching *w = private_data;
	(void)timer;
	(void)now;
	/* Asked on every tick even after giving up: what is cut late (a
	 * connection to the next address) is cut too. */
	if (w->watch != NULL && w->watch->give_up != NULL &&
	    w->watch->give_up(w->watch->context) != 0)
		w->gave_up = true;
	tevent_add_timer(ev, w, tevent_timeval_current_ofs(0, 50000), watch_tick, w);
}

static struct watching *start_watch(TALLOC_CTX *mem, struct tevent_context *ev,
				    const struct vantor_rpc_watch *watch)
{
	struct watching *w = talloc_zero(mem, struct watching);
	if (w == NULL)
		return NULL;
	w->watch = watch;
	tevent_add_timer(ev, w, tevent_timeval_current_ofs(0, 50000), watch_tick, w);
	return w;
}

/* The client configuration a Samba user keeps applies here as it does to
 * libsmbclient: ~/.smb/smb.conf when there is one, else the system's. */
static struct loadparm_context *client_config(TALLOC_CTX *mem)
{
	struct loadparm_context *lp = loadparm_init(mem);
	const char *home = getenv("HOME");
	struct stat st;
	bool loaded = false;
	if (lp == NULL)
		return NULL;
	if (home != NULL && home[0] != 0) {
		char *own = talloc_asprintf(mem, "%s/.smb/smb.conf", home);
		loaded = own != NULL && stat(own, &st) == 0 && S_ISREG(st.st_mode) &&
			 lpcfg_load(lp, own);
	}
	if (!loaded)
		lpcfg_load_default(lp);
	/* A name resolves through the system's resolver only, whatever the
	 * configuration says: NetBIOS broadcast and WINS let any host on the
	 * LAN answer for a name the administrator typed, and then receive the
	 * logon meant for that server. */
	if (!lpcfg_set_cmdline(lp, "name resolve order", "host")) {
		talloc_free(lp);
		return NULL;
	}
	return lp;
}

static struct cli_credentials *credentials(TALLOC_CTX *mem, struct loadparm_context *lp,
					   const struct vantor_rpc_logon *logon)
{
	struct cli_credentials *cred = cli_credentials_init(mem);
	const char *error = NULL;
	if (cred == NULL)
		return NULL;
	cli_credentials_set_conf(cred, lp);
	if (logon->kerberos &&
	    cli_credentials_set_ccache(cred, lp, NULL, CRED_SPECIFIED, &error) == 0) {
		/* With a password as well, a server that refuses the ticket gets the
		 * account; without, the ticket is all there is. */
		cli_credentials_set_kerberos_state(cred,
						   logon->password != NULL ?
							   CRED_USE_KERBEROS_DESIRED :
							   CRED_USE_KERBEROS_REQUIRED,
						   CRED_SPECIFIED);
		if (logon->password == NULL)
			return cred;
	} else {
		cli_credentials_set_kerberos_state(cred, CRED_USE_KERBEROS_DISABLED,
						   CRED_SPECIFIED);
	}
	/* With no account at all, an anonymous session (what a server allows
	 * anyone); an account given is never exchanged for one. */
	if (logon->user == NULL || logon->user[0] == 0) {
		cli_credentials_set_anonymous(cred);
		return cred;
	}
	/* "user@realm" and "DOMAIN\user" as Windows users type them. */
	cli_credentials_parse_string(cred, logon->user, CRED_SPECIFIED);
	if (logon->domain != NULL && logon->domain[0] != 0)
		cli_credentials_set_domain(cred, logon->domain, CRED_SPECIFIED);
	cli_credentials_set_password(cred, logon->password != NULL ? logon->password : "",
				     CRED_SPECIFIED);
	return cred;
}

static void once(void)
{
	static bool done = false;
	if (done)
		return;
	done = true;
	/* A connection cut or dropped by the server must fail the write that
	 * meets it, not end the program. */
	signal(SIGPIPE, SIG_IGN);
	dcerpc_init();
}

uint32_t vantor_rpc_open(const char *host, const char *pipe, const uint8_t uuid[16],
			 uint32_t version, const struct vantor_rpc_logon *logon,
			 size_t max_reply, const struct vantor_rpc_watch *watch,
			 struct vantor_rpc **out, int *gave_up)
{
	struct vantor_rpc *rpc;
	struct ndr_interface_table *table;
	struct dcerpc_binding *binding = NULL;
	struct loadparm_context *lp;
	struct cli_credentials *cred;
	struct watching *w;
	NTSTATUS status;
	char *endpoint;

	*out = NULL;
	*gave_up = 0;
	once();
	rpc = talloc_zero(NULL, struct vantor_rpc);
	if (rpc == NULL)
		return NT_STATUS_V(NT_STATUS_NO_MEMORY);
	rpc->mem = rpc;
	rpc->ev = tevent_context_init(rpc);
	table = talloc_zero(rpc, struct ndr_interface_table);
	lp = client_config(rpc);
	endpoint = talloc_asprintf(rpc, "\\pipe\\%s", pipe);
	if (rpc->ev == NULL || table == NULL || lp == NULL || endpoint == NULL) {
		talloc_free(rpc);
		return NT_STATUS_V(NT_STATUS_NO_MEMORY);
	}
	cred = credentials(rpc, lp, logon);
	if (cred == NULL) {
		talloc_free(rpc);
		return NT_STATUS_V(NT_STATUS_NO_MEMORY);
	}
	table->name = talloc_strdup(table, pipe);
	table->syntax_id.uuid.time_low = (uint32_t)uuid[0] | (uint32_t)uuid[1] << 8 |
					 (uint32_t)uuid[2] << 16 | (uint32_t)uuid[3] << 24;
	table->syntax_id.uuid.time_mid = (uint16_t)(uuid[4] | uuid[5] << 8);
	table->syntax_id.uuid.time_hi_and_version = (uint16_t)(uuid[6] | uuid[7] << 8);
	memcpy(table->syntax_id.uuid.clock_seq, uuid + 8, 2);
	memcpy(table->syntax_id.uuid.node, uuid + 10, 6);
	table->syntax_id.if_version = version;

	/* Host and pipe are set as values, never parsed from a binding string:
	 * a name cannot add options to it. */
	status = dcerpc_parse_binding(rpc, "ncacn_np:", &binding);
	if (NT_STATUS_IS_OK(status))
		status = dcerpc_binding_set_string_option(binding, "host", host);
	if (NT_STATUS_IS_OK(status))
		status = dcerpc_binding_set_string_option(binding, "endpoint", endpoint);
	if (!NT_STATUS_IS_OK(status)) {
		talloc_free(rpc);
		return NT_STATUS_V(status);
	}

	w = start_watch(rpc, rpc->ev, watch);
	if (w == NULL) {
		talloc_free(rpc);
		return NT_STATUS_V(NT_STATUS_NO_MEMORY);
	}
	status = dcerpc_pipe_connect_b(rpc, &rpc->pipe, binding, table, cred, rpc->ev, lp);
	*gave_up = w->gave_up;
	talloc_free(w);
	if (!NT_STATUS_IS_OK(status) || *gave_up) {
		talloc_free(rpc);
		return NT_STATUS_IS_OK(status) ? NT_STATUS_V(NT_STATUS_IO_TIMEOUT) :
						 NT_STATUS_V(status);
	}
	/* However many fragments a server sends, the reply it makes is bounded. */
	rpc->pipe->conn->max_total_response_size = max_reply;
	*out = rpc;
	return 0;
}

uint32_t vantor_rpc_call(struct vantor_rpc *rpc, uint16_t opnum, const uint8_t *in,
			 size_t in_length, const struct vantor_rpc_watch *watch, uint8_t **out,
			 size_t *out_length, int *sent, int *gave_up)
{
	TALLOC_CTX *frame = talloc_new(rpc->mem);
	struct tevent_req *req;
	struct watching *w;
	uint8_t *reply = NULL;
	size_t length = 0;
	uint32_t flags = 0;
	NTSTATUS status;

	*out = NULL;
	*out_length = 0;
	*sent = 0;
	*gave_up = 0;
	if (frame == NULL)
		return NT_STATUS_V(NT_STATUS_NO_MEMORY);
	w = start_watch(frame, rpc->ev, watch);
	req = dcerpc_binding_handle_raw_call_send(frame, rpc->ev, rpc->pipe->binding_handle,
						  NULL, opnum, 0, in, in_length);
	if (w == NULL || req == NULL) {
		talloc_free(frame);
		return NT_STATUS_V(NT_STATUS_NO_MEMORY);
	}
	*sent = 1;
	while (tevent_req_is_in_progress(req) && !w->gave_up) {
		if (tevent_loop_once(rpc->ev) != 0)
			break;
	}
	if (w->gave_up || tevent_req_is_in_progress(req)) {
		*gave_up = w->gave_up;
		talloc_free(frame);
		return NT_STATUS_V(NT_STATUS_IO_TIMEOUT);
	}
	status = dcerpc_binding_handle_raw_call_recv(req, frame, &reply, &length, &flags);
	if (NT_STATUS_IS_OK(status)) {
		*out = malloc(length > 0 ? length : 1);
		if (*out == NULL) {
			status = NT_STATUS_NO_MEMORY;
		} else {
			if (length > 0)
				memcpy(*out, reply, length);
			*out_length = length;
		}
	}
	talloc_free(frame);
	return NT_STATUS_V(status);
}

void vantor_rpc_free_reply(uint8_t *reply) { free(reply); }

void vantor_rpc_close(struct vantor_rpc *rpc) { talloc_free(rpc); }
