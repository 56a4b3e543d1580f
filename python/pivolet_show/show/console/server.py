"""The console's server: aiohttp serving the page and a WebSocket, on a thread of its own with its
own asyncio loop, so the player's loop never waits for a page.

Every tick (at most 30 a second) the server samples the show once (`Snapshots.message`) and offers
the text to each open page. A page has one slot: a text not yet sent is replaced by the newer one,
so a slow page skips frames and holds at most one waiting text beside what the socket's buffer
holds (aiohttp waits for it to drain past WRITE_BUFFER_BYTES). A page whose socket takes longer than
SEND_SECONDS to take a text is cut off.

What a page sends is a control command as one JSON object, `{"command": "cue", "values": [2]}`,
the command's path as the control port names it after `/pivolet/`. Its shape is checked here; the
command itself is performed on the player's thread (`call_soon`) through the show's `Control`, like
a message of the OSC control port, and logged with the transport "console". The page gets
`{"type": "done", ...}` or `{"type": "error", "error": ...}` back (at most MOST_ANSWERS answers wait
for a page that does not read; older ones are dropped). A text longer than MOST_MESSAGE_BYTES closes
its socket; a page with MOST_WAITING commands not yet performed is told to wait. Nothing a page
sends can stop the show.
"""

from __future__ import annotations

import asyncio
import collections
import json
import math
import threading
import time
from collections.abc import Callable
from pathlib import Path
from typing import TYPE_CHECKING, Any
from urllib.parse import quote

from pivolet_show.show.console.access import TOKEN_PARAMETER, carries_token, own_origin
from pivolet_show.show.quick_switching import QuickSwitching

if TYPE_CHECKING:
    from aiohttp import web

    from pivolet_show.show.console.snapshot import Snapshots
    from pivolet_show.show.control import Control

LABEL = "console"
TRANSPORT = "console"
STATIC = Path(__file__).parent / "static"
PAGE = "index.html"
# The files the page loads, and their types; nothing else is served.
FILES = {"console.js": "text/javascript", "console.css": "text/css"}
QUERY_MARK = "{{query}}"
TICK_SECONDS = 1 / 30
SEND_SECONDS = 2.0
HEARTBEAT_SECONDS = 5.0
START_SECONDS = 10.0
STOP_SECONDS = 5.0
CLOSE_SECONDS = 1.0
WRITE_BUFFER_BYTES = 1 << 16
MOST_MESSAGE_BYTES = 4096
MOST_VALUES = 8
MOST_TEXT = 256
MOST_WAITING = 32
MOST_ANSWERS = 256
HEADERS = {"Cache-Control": "no-store", "X-Content-Type-Options": "nosniff", "X-Frame-Options": "DENY",
           "Content-Security-Policy": "frame-ancestors 'none'"}

NOT_JSON = "a console message is one JSON object, not {text!r}"
NOT_A_COMMAND = 'a console message is {{"command": text, "values": [up to 8 numbers, texts or switches]}}, not {text!r}'
NOT_TEXT = "a console message is text, not binary data"
TOO_BUSY = "{count} commands are still waiting to be performed: send the next when they are"
CANNOT_LISTEN = "console: cannot listen on {host}:{port} ({reason})"
NOT_STARTED = "console: the server did not start within 10 s"


def _short(text: str) -> str:
    return text if len(text) <= 80 else text[:80] + " ..."


def command_of(text: str) -> tuple[str, list[Any]]:
    """The command's path and values a page's message asks for; ValueError saying what is wrong
    with its shape (the command's own checks come when it is performed)."""
    try:
        asked = json.loads(text)
    except ValueError:
        raise ValueError(NOT_JSON.format(text=_short(text))) from None
    command = asked.get("command") if isinstance(asked, dict) else None
    values = asked.get("values", []) if isinstance(asked, dict) else None

    def fits(value: Any) -> bool:
        if isinstance(value, str):
            return len(value) <= MOST_TEXT
        return isinstance(value, (bool, int)) or (isinstance(value, float) and math.isfinite(value))
    if (not isinstance(command, str) or not 0 < len(command) <= MOST_TEXT or set(asked) - {"command", "values"}
            or not isinstance(values, list) or len(values) > MOST_VALUES or not all(map(fits, values))):
        raise ValueError(NOT_A_COMMAND.format(text=_short(text)))
    return command, values


class _Page:
    """An open page: its socket, the show's text waiting to go to it (newest wins), the answers to
    its commands waiting (the oldest dropped past MOST_ANSWERS) and its commands not yet performed."""

    def __init__(self, socket: web.WebSocketResponse, transport: Any):
        self.socket = socket
        self.transport = transport
        self.waiting: str | None = None
        self.answers: collections.deque[str] = collections.deque(maxlen=MOST_ANSWERS)
        self.wake = asyncio.Event()
        self.commands = 0

    def offer(self, text: str) -> None:
        self.waiting = text
        self.wake.set()

    def answer(self, answer: dict[str, Any]) -> None:
        self.answers.append(json.dumps(answer))
        self.wake.set()


class ConsoleServer:
    """Serves the console on `host`:`port` (0: one the system picks) until closed."""

    label = LABEL
    sockets: tuple[Any, ...] = ()
    interval_ns: int | None = None

    def __init__(self, host: str, port: int, token: str | None, snapshots: Snapshots, control: Control,
                 call_soon: Callable[[Callable[[], None]], None], now: Callable[[], int] = time.monotonic_ns):
        self.host = host
        self.port = port
        self._token = token
        self._snapshots = snapshots
        self._control = control
        self._call_soon = call_soon
        self._now = now
        self.performed = 0
        self.refused = 0
        self._pages: set[_Page] = set()
        self._loop: asyncio.AbstractEventLoop | None = None
        self._stopping: asyncio.Event | None = None
        self._started = threading.Event()
        self._failure: str | None = None
        self._thread = threading.Thread(target=self._run, name="console", daemon=True)
        self._switching = QuickSwitching()

    @property
    def url(self) -> str:
        host = f"[{self.host}]" if ":" in self.host else self.host
        return f"http://{host}:{self.port}/"

    def start(self) -> None:
        """Listens and serves on the console's thread; ValueError if it cannot listen."""
        self._thread.start()
        if not self._started.wait(START_SECONDS):
            self.close()
            raise ValueError(NOT_STARTED)
        if self._failure is not None:
            self._thread.join()
            raise ValueError(self._failure)
        self._switching.start()

    def _run(self) -> None:
        loop = self._loop = asyncio.new_event_loop()
        try:
            runner = loop.run_until_complete(self._listen())
        except OSError as error:
            self._failure = CANNOT_LISTEN.format(host=self.host, port=self.port, reason=error.strerror or error)
            self._started.set()
            loop.close()
            return
        self._started.set()
        try:
            loop.run_until_complete(self._serve())
        finally:
            loop.run_until_complete(self._shut(runner))
            loop.close()

    async def _listen(self) -> Any:
        from aiohttp import web

        self._stopping = asyncio.Event()
        app = web.Application(middlewares=[self._guard])
        app.router.add_get("/", self._page)
        app.router.add_get("/ws", self._socket)
        for name in FILES:
            app.router.add_get("/" + name, self._file)
        runner = web.AppRunner(app, access_log=None, handle_signals=False)
        await runner.setup()
        site = web.TCPSite(runner, self.host, self.port, shutdown_timeout=CLOSE_SECONDS)
        try:
            await site.start()
        except OSError:
            await runner.cleanup()
            raise
        self.port = runner.addresses[0][1]
        return runner

    async def _serve(self) -> None:
        assert self._stopping is not None
        while not self._stopping.is_set():
            if self._pages:
                text = self._snapshots.message()
                for page in self._pages:
                    page.offer(text)
            try:
                await asyncio.wait_for(self._stopping.wait(), TICK_SECONDS)
            except asyncio.TimeoutError:
                pass

    async def _shut(self, runner: Any) -> None:
        from aiohttp import WSCloseCode

        for page in list(self._pages):
            await page.socket.close(code=WSCloseCode.GOING_AWAY)
        await runner.cleanup()

    @property
    def _guard(self) -> Any:
        from aiohttp import web

        @web.middleware
        async def guard(request: web.Request, handler: Callable[[web.Request], Any]) -> Any:
            if not carries_token(request.query, request.headers, self._token):
                raise web.HTTPForbidden(text="a console token is needed", headers=HEADERS)
            response = await handler(request)
            if not isinstance(response, web.WebSocketResponse):
                response.headers.update(HEADERS)
            return response
        return guard

    async def _page(self, request: web.Request) -> Any:
        from aiohttp import web

        query = "" if self._token is None else f"?{TOKEN_PARAMETER}={quote(self._token, safe='')}"
        text = (STATIC / PAGE).read_text(encoding="utf-8").replace(QUERY_MARK, query)
        return web.Response(text=text, content_type="text/html")

    async def _file(self, request: web.Request) -> Any:
        from aiohttp import web

        name = request.path.lstrip("/")
        return web.Response(body=(STATIC / name).read_bytes(), content_type=FILES[name], charset="utf-8")

    async def _socket(self, request: web.Request) -> Any:
        from aiohttp import WSMsgType, web

        if not own_origin(request.headers.get("Origin"), request.headers.get("Host"), self.host, self._token):
            raise web.HTTPForbidden(text="a console page of another origin", headers=HEADERS)
        # Uncompressed: deflating every frame would cost the thread (and the GIL) more than loopback bytes.
        socket = web.WebSocketResponse(max_msg_size=MOST_MESSAGE_BYTES, heartbeat=HEARTBEAT_SECONDS,
                                       writer_limit=WRITE_BUFFER_BYTES, compress=False, timeout=CLOSE_SECONDS)
        await socket.prepare(request)
        page = _Page(socket, request.transport)
        self._pages.add(page)
        sender = asyncio.ensure_future(self._send_to(page))
        try:
            await socket.send_str(json.dumps(self._snapshots.layout()))
            async for message in socket:
                if message.type == WSMsgType.TEXT:
                    self._asked(page, message.data)
                elif message.type == WSMsgType.BINARY:
                    page.answer({"type": "error", "error": NOT_TEXT})
                    self.refused += 1
                elif message.type == WSMsgType.ERROR:
                    self.refused += 1  # a text too long, which closes the socket
        finally:
            self._pages.discard(page)
            sender.cancel()
        return socket

    async def _send_to(self, page: _Page) -> None:
        """Sends the page its answers, then the show's newest text, as fast as it takes them."""
        while not page.socket.closed:
            await page.wake.wait()
            page.wake.clear()
            texts = list(page.answers)
            page.answers.clear()
            if page.waiting is not None:
                texts.append(page.waiting)
                page.waiting = None
            try:
                for text in texts:
                    await asyncio.wait_for(page.socket.send_str(text), SEND_SECONDS)
            except asyncio.TimeoutError:
                page.transport.abort()  # a page that does not read is cut off
                return
            except (ConnectionError, RuntimeError):
                return

    def _asked(self, page: _Page, text: str) -> None:
        try:
            path, values = command_of(text)
            if page.commands >= MOST_WAITING:
                raise ValueError(TOO_BUSY.format(count=page.commands))
        except ValueError as error:
            self.refused += 1
            page.answer({"type": "error", "error": str(error)})
            return
        page.commands += 1
        loop = self._loop
        assert loop is not None

        def perform() -> None:
            """On the player's thread, between frames, as the control port performs its commands."""
            try:
                self._control.perform(path, values, self._now(), TRANSPORT)
                answer = {"type": "done", "command": path, "values": values}
            except ValueError as error:
                answer = {"type": "error", "command": path, "error": str(error)}
            try:
                loop.call_soon_threadsafe(self._performed, page, answer)
            except RuntimeError:
                pass  # the console has closed
        self._call_soon(perform)

    def _performed(self, page: _Page, answer: dict[str, Any]) -> None:
        page.commands -= 1
        if answer["type"] == "done":
            self.performed += 1
        else:
            self.refused += 1
        page.answer(answer)

    def read(self, readable: Any) -> None:
        pass

    def poll(self, now_ns: int) -> None:
        pass

    def status(self) -> str:
        pages = len(self._pages)
        words = [f"{pages} page" + ("" if pages == 1 else "s")] if pages else []
        if self.performed or self.refused:
            words.append(f"{self.performed} done, {self.refused} refused")
        return ", ".join(words)

    def close(self) -> None:
        loop, stopping = self._loop, self._stopping
        if loop is not None and stopping is not None and self._thread.is_alive():
            try:
                loop.call_soon_threadsafe(stopping.set)
            except RuntimeError:
                pass
        if self._thread.is_alive():
            self._thread.join(STOP_SECONDS)
        self._switching.stop()
