// The page's side of the sync endpoint on the server that served it: claim, pull and push.
//
// It holds the list the server last confirmed with its revision, and a change made here that
// the server has not yet confirmed. Both live in local storage beside the token, so neither a
// reload nor a dead network drops a change. A change always goes out as the confirmed revision
// plus one; if the server holds a newer list by then, the newer list wins whole and the page
// says that its change was not applied. The page never merges.

const ENDPOINT = 'api/pellow/sync.php';
const TOKEN_KEY = 'pellow.token';
const LIST_KEY = 'pellow.list';
const TIMEOUT_MS = 10000;

export const CROSSED =
  'The list changed on another device or tab before your change arrived, so your change was not made. This is the list now.';
export const REFUSED = 'The server refused that change, so it was not made.';

const isList = (v) => Array.isArray(v) && v.every((t) => t !== null && typeof t === 'object');

// What a reply does to a side whose confirmed revision is `rev`: 'keep', 'confirm' (the push
// was taken at the reply's revision) or 'adopt' (the reply's list and revision replace ours).
// The same rules as Pellow's and the server's; tests/sync_revisions.json holds the cases.
export function pullOutcome(rev, reply) {
  const valid = reply?.ok === true && Number.isSafeInteger(reply.rev) && isList(reply.timers);
  return valid && reply.rev !== rev ? 'adopt' : 'keep';
}

export function pushOutcome(reply) {
  if (!Number.isSafeInteger(reply?.rev)) return 'keep';
  if (reply.stale !== true) return 'confirm';
  return isList(reply.timers) ? 'adopt' : 'keep';
}

async function request(action, body) {
  const abort = new AbortController();
  const timer = setTimeout(() => abort.abort(), TIMEOUT_MS);
  try {
    const response = await fetch(`${ENDPOINT}?action=${action}`, {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify(body),
      cache: 'no-store',
      signal: abort.signal,
    });
    let reply = null;
    try {
      reply = await response.json();
    } catch {
      // not JSON: a proxy's error page, say
    }
    return { status: response.status, reply: reply !== null && typeof reply === 'object' ? reply : {} };
  } catch {
    return null; // unreachable, or no answer in time
  } finally {
    clearTimeout(timer);
  }
}

export class SyncClient {
  // `onChange` is called after anything shown may have changed.
  constructor(storage, onChange) {
    this.storage = storage;
    this.onChange = onChange;
    this.busy = false;
    this.asking = null; // the token of the request that is out
    this.online = true;
    this.notice = '';
    this.token = storage.getItem(TOKEN_KEY);
    this.load();
  }

  load() {
    let saved = null;
    try {
      saved = JSON.parse(this.storage.getItem(LIST_KEY));
    } catch {
      // a damaged copy: start from the server's
    }
    this.rev = Number.isInteger(saved?.rev) ? saved.rev : 0;
    this.confirmed = isList(saved?.timers) ? saved.timers : [];
    this.pending = isList(saved?.pending) ? saved.pending : null;
  }

  // Another tab of this page changed the stored `key` (null: cleared it all). This one follows:
  // it forgets when that tab forgot, takes up a pairing made there, and shows the list that tab
  // last stored unless a request of its own is out, whose answer it stores in turn.
  followStorage(key) {
    if (key !== null && key !== TOKEN_KEY && key !== LIST_KEY) return;
    const token = this.storage.getItem(TOKEN_KEY);
    if (token !== this.token) {
      this.token = token;
      this.notice = '';
      this.online = true;
      this.load();
      this.onChange();
      this.sync();
    } else if (!this.busy && key !== TOKEN_KEY && this.storage.getItem(LIST_KEY) !== this.stored()) {
      this.load();
      this.onChange();
    }
  }

  get paired() {
    return this.token !== null;
  }

  // The list to show: the change not yet confirmed, else the server's.
  get timers() {
    return this.pending ?? this.confirmed;
  }

  stored() {
    return JSON.stringify({ rev: this.rev, timers: this.confirmed, pending: this.pending });
  }

  save() {
    this.storage.setItem(LIST_KEY, this.stored());
  }

  // Claims a pairing code: 'paired', 'wrong', 'wait' (too many wrong codes) or 'unreachable'.
  async claim(code) {
    const answer = await request('claim', { code });
    if (answer?.status === 429) return 'wait';
    if (!answer || answer.status !== 200) return 'unreachable';
    if (answer.reply.ok !== true || typeof answer.reply.token !== 'string') return 'wrong';
    this.forget();
    this.token = answer.reply.token;
    this.storage.setItem(TOKEN_KEY, this.token);
    this.sync();
    return 'paired';
  }

  forget() {
    this.token = null;
    this.rev = 0;
    this.confirmed = [];
    this.pending = null;
    this.notice = '';
    this.online = true;
    this.storage.removeItem(TOKEN_KEY);
    this.storage.removeItem(LIST_KEY);
    this.onChange();
  }

  // Applies `edit` to a copy of the shown list and sends the result.
  change(edit) {
    const list = JSON.parse(JSON.stringify(this.timers));
    edit(list);
    this.pending = list;
    this.notice = '';
    this.save();
    this.onChange();
    this.sync();
  }

  // Sends the waiting change, or else asks for the server's list. One request at a time; a
  // change made while one is out goes next.
  async sync() {
    if (!this.paired || this.busy) return;
    this.busy = true;
    try {
      do {
        this.asking = this.token;
        if (this.pending) await this.push();
        else await this.pull();
      } while (this.paired && this.online && this.pending);
    } finally {
      this.busy = false;
    }
  }

  async pull() {
    this.settle(await request('pull', { token: this.token }), (reply) => {
      if (reply.ok !== true || !Number.isSafeInteger(reply.rev) || !isList(reply.timers)) return false;
      // A change made while the pull was out was made on the list the server has moved past.
      if (pullOutcome(this.rev, reply) === 'adopt') this.adopt(reply.rev, reply.timers, this.pending ? CROSSED : '');
      return true;
    });
  }

  async push() {
    const sent = this.pending;
    this.settle(await request('push', { token: this.token, rev: this.rev + 1, timers: sent }), (reply, status) => {
      const outcome = pushOutcome(reply);
      if (outcome === 'adopt') {
        this.adopt(reply.rev, reply.timers, CROSSED);
      } else if (status === 200 && outcome === 'confirm') {
        this.rev = reply.rev;
        this.confirmed = sent;
        if (this.pending === sent) this.pending = null;
      } else if (status === 400 || status === 413) {
        this.pending = null;
        this.notice = REFUSED;
      } else {
        return false;
      }
      return true;
    });
  }

  // Reads a reply with `read`, which says whether it was one; anything else, and no reply at
  // all, leaves everything as it was and counts as the server being out of reach.
  settle(answer, read) {
    if (this.asking !== this.token) return; // another tab forgot or paired anew meanwhile
    if (answer?.status === 403) {
      const lost = this.pending !== null;
      this.forget();
      this.notice = `This phone is no longer paired. Type a new code from Pellow to pair again.${
        lost ? ' Your last change was not sent.' : ''
      }`;
    } else {
      this.online = answer !== null && read(answer.reply, answer.status);
      this.save();
    }
    this.onChange();
  }

  adopt(rev, timers, notice) {
    this.rev = rev;
    this.confirmed = timers;
    this.pending = null;
    if (notice) this.notice = notice;
  }
}
