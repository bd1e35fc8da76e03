# Test certificates made with openssl at test time, never committed (sourced).

# make_test_ca DIR: a certificate authority in DIR/ca.pem and DIR/ca.key.
make_test_ca() {
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Velmo Test CA" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
        -keyout "$1/ca.key" -out "$1/ca.pem"
}

# issue_certificate DIR NAME SAN: a server certificate DIR/NAME.pem with its
# key DIR/NAME.key, issued by DIR's CA for SAN ("IP:127.0.0.1,DNS:localhost").
issue_certificate() {
    local dir=$1 name=$2 san=$3 cn=${3#*:}
    openssl req -newkey rsa:2048 -nodes -subj "/CN=${cn%%,*}" -keyout "$dir/$name.key" -out "$dir/$name.csr"
    printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' "$san" >"$dir/$name.ext"
    openssl x509 -req -in "$dir/$name.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" -CAcreateserial -days 2 \
        -extfile "$dir/$name.ext" -out "$dir/$name.pem"
}
