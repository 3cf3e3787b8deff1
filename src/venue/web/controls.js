// Pieces both pages build their controls from: the coalescing writer behind every
// control, the slider look, and the one confirmation dialog.

import { t } from "./i18n.js";

// Sends the values of one control as a finger moves it: at most one write in flight
// and at most one every `gap` ms; values that come meanwhile replace each other, and
// the last one is always sent once the write before it has been answered.
// `send(value)` returns a promise; `idle()` is called when the last answer is in.
export class CoalescedWriter {
    constructor(send, idle = () => {}, gap = 100) {
        this.send = send;
        this.idle = idle;
        this.gap = gap;
        this.waiting = undefined;
        this.inFlight = false;
    }

    set(value) {
        this.waiting = value;
        if (!this.inFlight) this.flush();
    }

    get busy() {
        return this.inFlight || this.waiting !== undefined;
    }

    async flush() {
        this.inFlight = true;
        try {
            while (this.waiting !== undefined) {
                const value = this.waiting;
                this.waiting = undefined;
                const paced = new Promise((resolve) => setTimeout(resolve, this.gap));
                try {
                    await this.send(value);
                } catch {
                    // The sender shows its own failures; the next value still goes.
                }
                if (this.waiting !== undefined) await paced;
            }
        } finally {
            this.inFlight = false;
        }
        this.idle();
    }
}

// Paints the filled part of a range input up to its value.
export function paintRange(input) {
    const min = Number(input.min), max = Number(input.max);
    const at = max > min ? ((Number(input.value) - min) / (max - min)) * 100 : 0;
    input.style.setProperty("--at", `${at}%`);
}

let dialog = null;

// Asks `question` with OK / Cancel; resolves to true on OK.
export function confirmAction(question) {
    if (!dialog) {
        dialog = document.createElement("dialog");
        dialog.innerHTML = `<form method="dialog"><p id="confirm-text"></p>
            <div class="actions"><button value="cancel" class="quiet"></button>
            <button value="ok" id="confirm-ok"></button></div></form>`;
        dialog.setAttribute("aria-labelledby", "confirm-text");
        document.body.append(dialog);
    }
    dialog.querySelector("#confirm-text").textContent = question;
    dialog.querySelector('[value="cancel"]').textContent = t("cancel");
    dialog.querySelector('[value="ok"]').textContent = t("ok");
    dialog.returnValue = "";
    return new Promise((resolve) => {
        dialog.addEventListener("close", () => resolve(dialog.returnValue === "ok"), { once: true });
        dialog.showModal();
        dialog.querySelector("#confirm-ok").focus();
    });
}

// The words of a refused or failed request.
export function failureText(status, data) {
    if (status === 401) return t("tokenInvalid");
    if (status === 403) return t("notAllowed");
    if (status === 0) return t("serviceLost");
    return t("failed", data?.message ?? `HTTP ${status}`);
}
