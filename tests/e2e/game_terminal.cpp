#include "game_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>
#include <vterm.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "known_game.h"

using Clock = std::chrono::steady_clock;

struct TerminalCallbacks {
  static int settermprop(VTermProp prop, VTermValue* value, void* user) {
    auto* terminal = static_cast<GameTerminal*>(user);
    if (prop == VTERM_PROP_CURSORVISIBLE) terminal->cursor_visible_ = value->boolean;
    if (prop == VTERM_PROP_ALTSCREEN) terminal->alternate_screen_ = value->boolean;
    return 1;
  }
  // What the emulator sends: only keys the tests ask for (the game sends no
  // queries that it would answer).
  static void keyboard_output(const char* bytes, std::size_t size, void* user) {
    static_cast<GameTerminal*>(user)->keyboard_.append(bytes, size);
  }
};

namespace {

const VTermScreenCallbacks screen_callbacks = {
    .damage = nullptr,
    .moverect = nullptr,
    .movecursor = nullptr,
    .settermprop = TerminalCallbacks::settermprop,
    .bell = nullptr,
    .resize = nullptr,
    .sb_pushline = nullptr,
    .sb_popline = nullptr,
};

void fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

void set_nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

void append_utf8(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    out += static_cast<char>(ch);
  } else if (ch < 0x800) {
    out += static_cast<char>(0xc0 | ch >> 6);
    out += static_cast<char>(0x80 | (ch & 0x3f));
  } else if (ch < 0x10000) {
    out += static_cast<char>(0xe0 | ch >> 12);
    out += static_cast<char>(0x80 | (ch >> 6 & 0x3f));
    out += static_cast<char>(0x80 | (ch & 0x3f));
  } else {
    out += static_cast<char>(0xf0 | ch >> 18);
    out += static_cast<char>(0x80 | (ch >> 12 & 0x3f));
    out += static_cast<char>(0x80 | (ch >> 6 & 0x3f));
    out += static_cast<char>(0x80 | (ch & 0x3f));
  }
}

// The game's environment: only what the test chooses, whatever the caller's
// terminal and locale are.
std::vector<std::string> game_environment(const GameOptions& options) {
  std::vector<std::string> env = {
      "TERM=" + options.term,
      "LANG=" + options.lang,
      "PATH=/usr/bin:/bin",
      std::string("LD_PRELOAD=") + NINEDEEP_FIXED_SEED,
      "NINEDEEP_TEST_SEED=" + std::to_string(options.seed ? options.seed : known_game().seed),
  };
  // In the sanitizer build the seed library is loaded before the sanitizer's
  // run time, which it would otherwise refuse.
  std::string asan = "ASAN_OPTIONS=verify_asan_link_order=0";
  if (const char* more = std::getenv("ASAN_OPTIONS")) asan += std::string(":") + more;
  env.push_back(asan);
  if (const char* ubsan = std::getenv("UBSAN_OPTIONS")) env.push_back(std::string("UBSAN_OPTIONS=") + ubsan);
  return env;
}

}  // namespace

GameTerminal::GameTerminal(const GameOptions& options) : rows_(options.rows), columns_(options.columns) {
  winsize size{};
  size.ws_row = static_cast<unsigned short>(rows_);
  size.ws_col = static_cast<unsigned short>(columns_);
  if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) fail("openpty");
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  tcgetattr(slave_, &modes_before_);
  int error_pipe[2];
  if (pipe2(error_pipe, O_CLOEXEC) != 0) fail("pipe2");

  std::vector<std::string> env = game_environment(options);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string game = NINEDEEP_GAME;
  char* argv[] = {game.data(), nullptr};

  pid_ = fork();
  if (pid_ < 0) fail("fork");
  if (pid_ == 0) {
    // The child: the terminal as its controlling terminal and standard
    // streams, standard error to the test, then the game.
    int slave = dup(slave_);  // login_tty closes it; ours is close-on-exec
    login_tty(slave);
    dup2(error_pipe[1], STDERR_FILENO);
    if (options.stdin_at_end) {
      int null = open("/dev/null", O_RDONLY);
      dup2(null, STDIN_FILENO);
      close(null);
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int signal_number : {SIGHUP, SIGINT, SIGTERM, SIGQUIT, SIGPIPE, SIGWINCH}) signal(signal_number, SIG_DFL);
    if (options.sighup_ignored) signal(SIGHUP, SIG_IGN);
    execve(argv[0], argv, envp.data());
    _exit(127);
  }
  close(error_pipe[1]);
  errors_fd_ = error_pipe[0];
  set_nonblocking(master_);
  set_nonblocking(errors_fd_);

  vterm_ = vterm_new(rows_, columns_);
  vterm_set_utf8(vterm_, options.lang.find("UTF-8") != std::string::npos);
  vterm_output_set_callback(vterm_, TerminalCallbacks::keyboard_output, this);
  screen_ = vterm_obtain_screen(vterm_);
  vterm_screen_set_callbacks(screen_, &screen_callbacks, this);
  vterm_screen_enable_altscreen(screen_, 1);
  vterm_screen_reset(screen_, 1);
}

GameTerminal::~GameTerminal() {
  if (pid_ > 0 && !status_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  for (int fd : {master_, slave_, errors_fd_})
    if (fd >= 0) close(fd);
  vterm_free(vterm_);
}

void GameTerminal::send(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno != EAGAIN && errno != EINTR) fail("write to the terminal");
    if (n > 0) done += static_cast<std::size_t>(n);
    if (n < 0) pump(1ms);  // the game is not reading: make room on our side
  }
}

std::string GameTerminal::sent_for(int vterm_key) {
  keyboard_.clear();
  vterm_keyboard_key(vterm_, static_cast<VTermKey>(vterm_key), VTERM_MOD_NONE);
  return keyboard_;
}

void GameTerminal::feed(const char* bytes, std::size_t size) { vterm_input_write(vterm_, bytes, size); }

void GameTerminal::pump(std::chrono::milliseconds timeout) {
  pollfd fds[2] = {{master_, POLLIN, 0}, {errors_fd_, POLLIN, 0}};
  if (poll(fds, 2, static_cast<int>(timeout.count())) <= 0) return;
  char buffer[4096];
  while (master_ >= 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
    ssize_t n = read(master_, buffer, sizeof buffer);
    if (n > 0) {
      queued_.append(buffer, static_cast<std::size_t>(n));
      bytes_received_ += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) std::this_thread::sleep_for(timeout);  // no writer: nothing more comes
    break;
  }
  if (errors_fd_ >= 0 && fds[1].revents) drain_errors();
}

void GameTerminal::drain_errors() {
  char buffer[4096];
  for (;;) {
    ssize_t n = read(errors_fd_, buffer, sizeof buffer);
    if (n > 0) {
      errors_.append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0) {  // the game and everything it started have closed it
      close(errors_fd_);
      errors_fd_ = -1;
    }
    return;
  }
}

bool GameTerminal::wait_for(const std::function<bool(const GameTerminal&)>& holds,
                            std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  if (holds(*this)) return true;
  for (;;) {
    while (queued_at_ < queued_.size()) {
      feed(&queued_[queued_at_++], 1);
      if (holds(*this)) return true;
    }
    queued_.clear();
    queued_at_ = 0;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left <= 0ms) return false;
    pump(std::min(left, std::chrono::milliseconds(100)));
  }
}

void GameTerminal::idle(std::chrono::milliseconds how_long) {
  const auto deadline = Clock::now() + how_long;
  for (;;) {
    feed(queued_.data() + queued_at_, queued_.size() - queued_at_);
    queued_.clear();
    queued_at_ = 0;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left <= 0ms) return;
    pump(left);
  }
}

char32_t GameTerminal::glyph(Cell cell) const {
  VTermScreenCell content{};
  vterm_screen_get_cell(screen_, VTermPos{cell.row, cell.column}, &content);
  return content.chars[0] == 0 ? U' ' : static_cast<char32_t>(content.chars[0]);
}

Colour GameTerminal::colour(Cell cell) const {
  VTermScreenCell content{};
  vterm_screen_get_cell(screen_, VTermPos{cell.row, cell.column}, &content);
  if (VTERM_COLOR_IS_DEFAULT_FG(&content.fg)) return default_colour;
  if (VTERM_COLOR_IS_INDEXED(&content.fg)) return static_cast<Colour>(content.fg.indexed.idx);
  return static_cast<Colour>(-2);  // a colour given as RGB: never one the game asks for
}

bool GameTerminal::bold(Cell cell) const {
  VTermScreenCell content{};
  vterm_screen_get_cell(screen_, VTermPos{cell.row, cell.column}, &content);
  return content.attrs.bold;
}

std::string GameTerminal::text(int row, int column, int length) const {
  std::string out;
  for (int i = 0; i < length; i++) append_utf8(out, glyph({row, column + i}));
  return out;
}

Cell GameTerminal::cursor() const {
  VTermPos pos{};
  vterm_state_get_cursorpos(vterm_obtain_state(vterm_), &pos);
  return {pos.row, pos.col};
}

std::string GameTerminal::screen_dump() const {
  std::ostringstream out;
  for (int row = 0; row < rows_; row++) out << text(row, 0, columns_) << "|\n";
  Cell at = cursor();
  out << "cursor at row " << at.row << ", column " << at.column << (cursor_visible_ ? "" : " (hidden)")
      << (alternate_screen_ ? ", alternate screen" : "") << "\nstandard error: " << errors_;
  return out.str();
}

termios GameTerminal::modes() const {
  termios now{};
  tcgetattr(slave_, &now);
  return now;
}

void GameTerminal::resize(int rows, int columns) {
  rows_ = rows;
  columns_ = columns;
  vterm_set_size(vterm_, rows, columns);
  winsize size{};
  size.ws_row = static_cast<unsigned short>(rows);
  size.ws_col = static_cast<unsigned short>(columns);
  ioctl(master_, TIOCSWINSZ, &size);  // the kernel sends SIGWINCH to the game
}

void GameTerminal::hang_up() {
  close(master_);
  master_ = -1;
}

void GameTerminal::send_signal(int signal_number) { kill(pid_, signal_number); }

std::optional<int> GameTerminal::wait_exit(std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  while (!status_) {
    int status = 0;
    rusage usage{};
    if (wait4(pid_, &status, WNOHANG, &usage) == pid_) {
      status_ = status;
      cpu_at_exit_ = std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
      break;
    }
    if (Clock::now() >= deadline) return std::nullopt;
    pump(5ms);  // keep reading, or a game writing its last frame would block
  }
  for (int i = 0; i < 100 && errors_fd_ >= 0; i++) pump(10ms);
  if (master_ >= 0) pump(0ms);
  idle(0ms);
  return status_;
}

long GameTerminal::cpu_ticks() const {
  std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
  std::string line;
  std::getline(stat, line);
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  long utime = 0;
  long stime = 0;
  // After the command name: state is field 3, utime 14 and stime 15.
  for (int number = 3; number <= 15 && fields >> field; number++) {
    if (number == 14) utime = std::stol(field);
    if (number == 15) stime = std::stol(field);
  }
  return utime + stime;
}

bool same_modes(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag &&
         std::equal(a.c_cc, a.c_cc + NCCS, b.c_cc) && cfgetispeed(&a) == cfgetispeed(&b) &&
         cfgetospeed(&a) == cfgetospeed(&b);
}
