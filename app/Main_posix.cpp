// Entry of the native console program.
int main() {
    return 0;
}
