// The pages' side of the service: the access code kept on the phone, the JSON API
// with the code as a bearer token, and the events socket that comes back by itself.

const API = "/api/v1";

export function roomTokenKey(room) {
    return "kdsp.token.room." + room;
}
export const STAFF_TOKEN_KEY = "kdsp.token.staff";

// The code a link carries after "#token=" (or a pasted code or link), else "".
export function tokenFromText(text) {
    const found = /[#&?]token=([^&\s]+)/.exec(text);
    return (found ? decodeURIComponent(found[1]) : text).trim();
}

// Keeps the code of the page's own link under `key` and takes it out of the address
// bar, so a bookmark, a shared link or a screenshot of the page does not carry it.
export function takeTokenFromUrl(key) {
    const token = tokenFromText(location.hash);
    if (!location.hash.includes("token=") || !token) return;
    localStorage.setItem(key, token);
    history.replaceState(null, "", location.pathname + location.search);
}

// The first kept code among `keys`, or "".
export function keptToken(...keys) {
    for (const key of keys) {
        const token = localStorage.getItem(key);
        if (token) return token;
    }
    return "";
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// One request: {status, data}; status 0 when the service could not be reached. The
// service allows each code so many requests a second (the phones of a room share
// one): a request turned away for that is asked again a moment later.
export async function request(token, method, path, body) {
    const options = { method, cache: "no-store", headers: { Authorization: "Bearer " + token } };
    if (body !== undefined) {
        options.headers["Content-Type"] = "application/json";
        options.body = JSON.stringify(body);
    }
    for (let attempt = 1; ; ++attempt) {
        let answer;
        try {
            answer = await fetch(API + path, options);
        } catch {
            return { status: 0, data: null };
        }
        if (answer.status === 429 && attempt < 10) {
            await sleep(200 + Math.random() * 300 * attempt);
            continue;
        }
        let data = null;
        try {
            data = await answer.json();
        } catch {
            data = null;
        }
        return { status: answer.status, data };
    }
}

export function roomPath(room) {
    return "/rooms/" + encodeURIComponent(room);
}

// The parameters `names` of a room, asked for by `patterns` that match them:
// {status, params: {name: PARAM}}.
export async function readParams(token, room, patterns, names) {
    const answers = await Promise.all(
        patterns.map((p) => request(token, "GET", `${roomPath(room)}/params?match=${encodeURIComponent(p)}`)));
    const params = {};
    for (const answer of answers) {
        if (answer.status !== 200) return { status: answer.status, data: answer.data, params };
        for (const p of answer.data?.params ?? []) if (names.includes(p.name)) params[p.name] = p;
    }
    return { status: 200, params };
}

// The events socket: opened again by itself after a drop or a service restart (soon
// at first, then at most every few seconds), and at once when the phone comes back
// to the network or to the page. `handlers`: message(msg), up(), down(), denied(reason).
export class EventStream {
    constructor(query, token, handlers) {
        this.url = `${location.protocol === "https:" ? "wss:" : "ws:"}//${location.host}${API}/events${query}`;
        this.token = token;
        this.handlers = handlers;
        this.delay = 250;
        this.socket = null;
        this.timer = 0;
        this.stopped = false;
        const now = () => this.reconnectNow();
        addEventListener("online", now);
        document.addEventListener("visibilitychange", () => document.visibilityState === "visible" && now());
    }

    start() {
        this.stopped = false;
        this.connect();
    }

    stop() {
        this.stopped = true;
        clearTimeout(this.timer);
        this.socket?.close();
    }

    reconnectNow() {
        if (this.stopped || (this.socket && this.socket.readyState <= WebSocket.OPEN)) return;
        clearTimeout(this.timer);
        this.connect();
    }

    connect() {
        const socket = new WebSocket(this.url);
        this.socket = socket;
        // Browsers cannot set headers on a socket: the code goes as the first message.
        socket.onopen = () => {
            socket.send(JSON.stringify({ token: this.token }));
            this.delay = 250;
            this.handlers.up();
        };
        socket.onmessage = (e) => {
            let msg;
            try {
                msg = JSON.parse(e.data);
            } catch {
                return;
            }
            this.handlers.message(msg);
        };
        socket.onclose = (e) => {
            if (socket !== this.socket) return;
            this.socket = null;
            // A refused code is not tried again and again.
            if (e.code === 1008) {
                this.stopped = true;
                this.handlers.denied(e.reason);
                return;
            }
            this.handlers.down();
            if (this.stopped) return;
            this.timer = setTimeout(() => this.connect(), this.delay);
            this.delay = Math.min(this.delay * 2, 3000);
        };
    }
}
